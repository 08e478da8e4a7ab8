// The dry run behind `qmtctl translate`: script parsing and the printed event stream.

#include <gtest/gtest.h>

#include <sstream>

#include "script/TranslateScript.h"
#include "tests/engine/HandlerRig.h"

namespace qmt::test {
namespace {

bool Parse(const std::string& script, uint8_t model, std::vector<ScriptLine>& lines,
           std::string& error) {
    std::istringstream in(script);
    return ParseTranslateScript(in, model, lines, error);
}

std::string Hex(size_t count, std::initializer_list<std::pair<size_t, std::string>> set = {}) {
    std::vector<std::string> bytes(count, "00");
    for (const auto& [at, text] : set)
        bytes[at] = text;
    std::string out;
    for (const auto& b : bytes)
        out += (out.empty() ? "" : " ") + b;
    return out;
}

TEST(TranslateScript, ParsesEveryLineKindWithCommentsAndBlankLines) {
    std::vector<ScriptLine> lines;
    std::string error;
    const std::string script = "# a comment\n\nreport 10 " + Hex(11) +
                               "  # trailing\n"
                               "idle 20\r\nmidi 30 9f 3C 7f\nwrite 40\nresend 50\n";
    ASSERT_TRUE(Parse(script, kModelKv10, lines, error)) << error;
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].kind, ScriptLine::Kind::Report);
    EXPECT_EQ(lines[0].number, 3u);
    EXPECT_EQ(lines[0].bytes.size(), 11u);
    EXPECT_EQ(lines[2].bytes, (std::vector<uint8_t>{0x9F, 0x3C, 0x7F}));
    EXPECT_EQ(lines[4].kind, ScriptLine::Kind::Resend);
    EXPECT_EQ(lines[4].time, 50);
}

TEST(TranslateScript, ErrorsNameTheLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"idle 1\nreport 5 00 00\n", "line 2:"},  // wrong report length
        {"\n\nfly 3\n", "line 3:"},               // unknown command
        {"idle -4\n", "line 1:"},                 // negative time
        {"idle\n", "line 1:"},                    // missing time
        {"midi 1 90 3C 7F 00\n", "line 1:"},      // four bytes
        {"midi 1\n", "line 1:"},                  // no bytes
        {"midi 1 9G\n", "line 1:"},               // not hex
        {"midi 1 900\n", "line 1:"},              // not two digits
        {"write 1 00\n", "line 1:"},              // bytes where none belong
        {"idle 12x\n", "line 1:"},
    };
    for (const auto& [script, where] : cases) {
        std::vector<ScriptLine> lines;
        std::string error;
        EXPECT_FALSE(Parse(script, kModelArdo, lines, error)) << script;
        EXPECT_EQ(error.rfind(where, 0), 0u) << script << " -> " << error;
    }
}

TEST(TranslateScript, ModelNames) {
    EXPECT_EQ(ModelTypeForName("kv10"), kModelKv10);
    EXPECT_EQ(ModelTypeForName("kv5"), kModelKv5);
    EXPECT_EQ(ModelTypeForName("ardo"), kModelArdo);
    EXPECT_EQ(ModelTypeForName("ardo-raw-proto-2009"), kModelArdoRawProto2009);
    EXPECT_EQ(ModelTypeForName("ardo-raw"), kModelArdoRaw);
    EXPECT_FALSE(ModelTypeForName("krt4"));
    EXPECT_EQ(ReportLengthOf(kModelKv5), 17u);
}

// An ARDO entry for serial "DECK1" with "Play" as a trigger and a control change slider.
MappingPtr ArdoMapping() {
    auto mapping = std::make_unique<Mapping>();
    MappingEntry& entry = mapping->entries.emplace_back();
    entry.name = "DECK1";
    entry.type = kModelArdo;
    auto preset = std::make_unique<Preset>();
    preset->kind = PresetKind::Kap;
    preset->inputChannel = 0;
    preset->lists[22].push_back(TriggerNote(60, 1));
    const Message cc = Msg(kMsgControlChange, 1).number(7).threshold(4096 * 512);
    preset->lists[24].push_back(Assign(kSlide, cc, cc));
    entry.slotUsed[2] = true;
    entry.presets[2] = std::move(preset);
    return mapping;
}

std::string DryRun(const std::string& script, uint8_t model, const std::string& serial,
                   Mapping* mapping) {
    std::vector<ScriptLine> lines;
    std::string error;
    EXPECT_TRUE(Parse(script, model, lines, error)) << error;
    std::ostringstream out;
    RunTranslateScript(lines, model, serial, mapping, out);
    return out.str();
}

TEST(TranslateScript, PrintsMessagesAndOutputReportsInOrder) {
    auto mapping = ArdoMapping();
    const std::string idle = Hex(65, {{2, "35"}, {53, "01"}});
    const std::string play = Hex(65, {{2, "35"}, {53, "01"}, {48, "80"}});  // "Play": slot 15
    const std::string script = "report 100 " + idle + "\nreport 200 " + play +
                               "\nmidi 250 90 05 3F\nwrite 300\nresend 400\n";
    const std::string out = DryRun(script, kModelArdo, "DECK1", mapping.get());
    const std::string expected =
        "out " + Hex(33, {{1, "0A"}, {2, "02"}}) + "\n" +      // version request
        "out " + Hex(33, {{1, "05"}, {2, "03"}, {3, "01"}}) +  // touch pad: no assignments
        "\nmidi 200 91 3C 7F\n" + "out " + Hex(33, {{1, "14"}, {2, "20"}, {8, "0F"}}) + "\n" +
        "out " + Hex(33, {{1, "15"}, {2, "20"}}) + "\n" +
        "midi 400 B1 07 40\n" +  // shared state starts at 64
        "out " + Hex(33, {{1, "05"}, {2, "03"}, {3, "01"}}) + "\n";
    EXPECT_EQ(out, expected);
}

TEST(TranslateScript, DeviceWithoutAnEntrySendsNothing) {
    auto mapping = ArdoMapping();
    const std::string play = Hex(65, {{2, "35"}, {53, "01"}, {48, "80"}});
    const std::string out =
        DryRun("report 1 " + play + "\nreport 2 " + play, kModelArdo, "OTHER", mapping.get());
    EXPECT_EQ(out.find("midi"), std::string::npos);
    EXPECT_EQ(out.find("out 00 0A"), std::string::npos);  // no presets: no version request
}

TEST(TranslateScript, KvModelsTakeNoMidiAndWriteNothing) {
    const std::string out = DryRun("midi 1 90 05 3F\nwrite 2\n", kModelKv10, "X", nullptr);
    EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace qmt::test
