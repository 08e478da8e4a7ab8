// The qmtmidi script lines and the readable MIDI text.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "driver/qmtmidi/BuiltInSession.h"
#include "driver/qmtmidi/MidiText.h"
#include "script/SessionScript.h"

namespace qmt {
namespace {

bool Parse(const std::string& text, std::vector<ScriptLine>& lines, std::string& error) {
    std::istringstream in(text);
    return ParseSessionScript(in, lines, error);
}

TEST(SessionScript, ParsesEveryLineKind) {
    std::vector<ScriptLine> lines;
    std::string error;
    ASSERT_TRUE(
        Parse("# head\nplug ardo A1\nuse A1\nreport 10 00 35 # tail\n\nmidi 20 90 3c 7f\n"
              "idle 30\nwrite 40\nresend 50\nreload 60\nunplug A1\n",
              lines, error))
        << error;
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0].kind, ScriptLine::Kind::Plug);
    EXPECT_EQ(lines[0].model, "ardo");
    EXPECT_EQ(lines[0].serial, "A1");
    EXPECT_EQ(lines[2].bytes, (std::vector<uint8_t>{0x00, 0x35}));
    EXPECT_EQ(lines[2].number, 4u);
    EXPECT_EQ(lines[3].time, 20);
    EXPECT_EQ(lines[7].kind, ScriptLine::Kind::Reload);
    EXPECT_EQ(lines[8].kind, ScriptLine::Kind::Unplug);
}

TEST(SessionScript, ErrorsNameTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"plug kv99 A\n", "line 1:"}, {"idle 1\nplug ardo\n", "line 2:"},
        {"report 5\n", "line 1:"},    {"midi 1 90 3C 7F 00\n", "line 1:"},
        {"midi 1 9G\n", "line 1:"},   {"idle -3\n", "line 1:"},
        {"write 1 00\n", "line 1:"},  {"\n\njump 1\n", "line 3:"},
        {"unplug\n", "line 1:"},
    };
    for (const auto& [text, where] : cases) {
        std::vector<ScriptLine> lines;
        std::string error;
        EXPECT_FALSE(Parse(text, lines, error)) << text;
        EXPECT_EQ(error.rfind(where, 0), 0u) << text << " -> " << error;
    }
}

TEST(SessionScript, TheBuiltInSessionParsesAndUsesEveryModel) {
    std::vector<ScriptLine> lines;
    std::string error;
    ASSERT_TRUE(Parse(BuiltInSession(), lines, error)) << error;
    std::set<std::string> models;
    bool reload = false;
    for (const ScriptLine& line : lines) {
        if (line.kind == ScriptLine::Kind::Plug) models.insert(line.model);
        reload = reload || line.kind == ScriptLine::Kind::Reload;
    }
    EXPECT_EQ(models, (std::set<std::string>{"kv10", "kv5", "ardo", "ardo-raw"}));
    EXPECT_TRUE(reload);
}

TEST(MidiText, DescribesTheCommonMessages) {
    const std::vector<uint8_t> cc{0xB0, 16, 65}, on{0x91, 60, 127}, off{0x90, 60, 0},
        pitch{0xE0, 0x00, 0x40}, program{0xC3, 5};
    EXPECT_EQ(DescribeMidi(cc), "ch1 CC 16 = 65");
    EXPECT_EQ(DescribeMidi(on), "ch2 note on 60 vel 127");
    EXPECT_EQ(DescribeMidi(off), "ch1 note off 60 vel 0");
    EXPECT_EQ(DescribeMidi(pitch), "ch1 pitch 8192");
    EXPECT_EQ(DescribeMidi(program), "ch4 program 5");
    EXPECT_EQ(HexBytes(cc), "B0 10 41");
}

}  // namespace
}  // namespace qmt
