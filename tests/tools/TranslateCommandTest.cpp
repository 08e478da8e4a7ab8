// `qmtctl translate` as users run it: a mapping and a preset on disk, a script file or
// standard input, the printed events and the exit codes.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <string>

#include "TempDir.h"
#include "model/Mapping.h"
#include "model/PresetFile.h"

namespace qmt::test {
namespace {

struct Result {
    int exit = -1;
    std::string out;
};

Result Translate(const std::string& args) {
    // Error messages are not part of the contract checked here; the redirection comes first
    // so that scripts given as here-documents end the command line.
    const std::string command = std::string(QMTCTL_PATH) + " translate 2>/dev/null " + args;
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        result.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// A KV10 preset "deck" whose "Play" sends note 60 on channel 3 (the slot's default).
class TranslateCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        Preset preset;
        preset.kind = PresetKind::Kvp;
        Assignment play;
        play.function = kTrigger;
        play.messages[0].kind = kMsgNote;
        play.messages[0].channel = kChannelDefault;
        play.messages[0].number = 60;
        play.messages[0].value = 127;
        preset.lists[22].push_back(play);
        dir.write("deck.kvp", WritePreset(preset));

        Mapping mapping;
        MappingEntry& entry = mapping.entries.emplace_back();
        entry.type = kModelKv10;
        entry.slotUsed[0] = true;
        entry.presetNames[0] = "deck";
        entry.defaultChannels[0] = 2;
        entry.inputChannels[0] = 2;
        mappingFile = dir.write("live.kdm", WriteMapping(mapping));
    }

    std::string common() const {
        return "--model kv10 --mapping " + mappingFile + " --preset-path " + dir.path().string();
    }

    TempDir dir;
    std::string mappingFile;
};

TEST_F(TranslateCommand, PrintsTheMidiOfAScriptFile) {
    const std::string text =
        "report 0 00 00 00 00 00 00 00 00 00 00 00\n"
        "report 1000 00 00 00 00 00 00 00 00 00 40 00  # Play down\n";
    const std::string script =
        dir.write("play.txt", std::vector<uint8_t>(text.begin(), text.end()));
    const Result r = Translate(common() + " " + script);
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out, "midi 1000 92 3C 7F\n");
}

TEST_F(TranslateCommand, ReadsStandardInput) {
    const Result r = Translate(common() +
                               " - <<'EOF'\nreport 5 00 00 00 00 00 00 00 00 00 00 00\n"
                               "report 6 00 00 00 00 00 00 00 00 00 40 00\nEOF");
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out, "midi 6 92 3C 7F\n");
}

TEST_F(TranslateCommand, ExitCodes) {
    EXPECT_EQ(Translate(common() + " </dev/null").exit, 0);
    EXPECT_EQ(Translate("--model kv10 --mapping " + dir.file("missing.kdm") + " --preset-path " +
                        dir.path().string() + " </dev/null")
                  .exit,
              1);
    EXPECT_EQ(Translate(common() + " <<'EOF'\nreport 1 00 00\nEOF").exit, 2);
    EXPECT_EQ(Translate(common() + " <<'EOF'\njump 1\nEOF").exit, 2);
    EXPECT_EQ(Translate("--model krt4 --mapping x --preset-path y").exit, 2);
    EXPECT_EQ(Translate("--mapping " + mappingFile).exit, 2);
}

}  // namespace
}  // namespace qmt::test
