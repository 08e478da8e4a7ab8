// qmtctl preset, run through qmtctl's own dispatcher on files built by the test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PresetBytes.h"
#include "TempDir.h"
#include "model/Preset.h"
#include "tests/model/ctl/RunQmtctl.h"

namespace qmt {
namespace {

using test::OneListFile;
using test::PresetBytes;
using Bytes = std::vector<uint8_t>;
using test::Outcome;
using test::RunQmtctl;

// A "Toggle" on "Play" with a note, and a "Rotate" on "Wheel" modified by "Cue".
Bytes SamplePreset(uint8_t noteVelocity) {
    PresetBytes file("KQP0");
    file.u32(1).str("Player").str("/opt/player");
    for (int control = 0; control < kControlCount; ++control) {
        if (control == 22) {
            file.u32(1).u8(kNoControl).u8(kToggle).u16(250);
            file.u8(kMsgNote).u8(0).u8(60).u8(noteVelocity);
            file.u8(kMsgKey).u32(0).u32(0x2000001C);
        } else if (control == 23) {
            file.u32(1).u8(21).u8(kRotate).u16(0);
            file.u8(kMsgControlChange).u8(kChannelDefault).u8(7).u8(kEnc7F01).i32(4096).u8(1);
            file.u8(kMsgExtended).u8(kChannelOmni).u8(2).u8(0xF0).u8(0xF7).i32(8192).u8(0);
        } else {
            file.u32(0);
        }
    }
    return file.finish();
}

TEST(PresetCommand, CheckAcceptsAValidPreset) {
    test::TempDir dir;
    const Outcome r = RunQmtctl({"preset", "check", dir.write("ok.kqp", SamplePreset(127))});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "valid\n");
}

TEST(PresetCommand, CheckNamesRuleControlAndAssignment) {
    test::TempDir dir;
    const Outcome r = RunQmtctl({"preset", "check", dir.write("bad.kqp", SamplePreset(128))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out,
              "invalid: control 22 \"Play\", assignment 0, first message (\"Button Down\"): "
              "velocity rule: velocity 128 must be below 128\n");
}

TEST(PresetCommand, CheckReportsALoadFailureWithTheFileName) {
    test::TempDir dir;
    Bytes bytes = SamplePreset(127);
    bytes.back() ^= 0x10;
    const std::string path = dir.write("sum.kqp", bytes);
    const Outcome r = RunQmtctl({"preset", "check", path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.starts_with("invalid: \"" + path + "\": checksum mismatch")) << r.out;

    const Outcome missing = RunQmtctl({"preset", "check", dir.file("none.kqp")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find(dir.file("none.kqp")), std::string::npos) << missing.out;
}

TEST(PresetCommand, ShowListsAssignmentsByName) {
    test::TempDir dir;
    const Outcome r = RunQmtctl({"preset", "show", dir.write("show.kqp", SamplePreset(127))});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const char* expected[] = {
        "kind: KQP (.kqp), magic \"KQP0\", format version 5\n",
        "  0: \"Player\" \"/opt/player\"\n",
        "control 22 \"Play\": 1 assignment\n",
        "  assignment 0: \"Toggle\", modifier none, release timeout 250 ms\n",
        "    \"Button Down\": MIDI note, channel 1, note 60, velocity 127\n",
        "    \"Button Up\": Key, application 0, key 0x2000001C\n",
        "  assignment 0: \"Rotate\", modifier \"Cue\", inverted\n",
        "    \"Rotate Clockwise\": MIDI control change, channel Default, controller 7, "
        "encoding \"7Fh : 01h\", threshold 4096\n",
        "    \"Rotate Counterclockwise\": MIDI extended, channel Omni, 2 bytes: F0 F7, "
        "threshold 8192\n",
        "valid\n",
    };
    for (const char* line : expected)
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
}

TEST(PresetCommand, ShowOfAnUnreadableFileFails) {
    test::TempDir dir;
    const std::string path = dir.write("short.kqp", {'K', 'Q'});
    const Outcome r = RunQmtctl({"preset", "show", path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

TEST(PresetCommand, BadUsage) {
    EXPECT_EQ(RunQmtctl({"preset"}).exitCode, 2);
    EXPECT_EQ(RunQmtctl({"preset", "check"}).exitCode, 2);
    EXPECT_EQ(RunQmtctl({"preset", "verify", "x"}).exitCode, 2);
    EXPECT_EQ(RunQmtctl({"preset", "check", "a", "b"}).exitCode, 2);
}

}  // namespace
}  // namespace qmt
