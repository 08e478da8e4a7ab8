#include "midiconfig/SessionTouchPlayer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/ManualTimedWait.h"

namespace qmt {
namespace {

std::vector<ScriptLine> Parse(const std::string& text, std::string& error) {
    std::istringstream in(text);
    std::vector<ScriptLine> lines;
    SessionTouchPlayer::Parse(in, lines, error);
    return lines;
}

TEST(SessionTouchPlayer, RejectsModelsItCannotPlug) {
    std::string error;
    Parse("plug krt4 X\n", error);
    EXPECT_EQ(error, "line 1: unknown model 'krt4' (kv10, kv5, ardo, ardo-raw)");
    error.clear();
    EXPECT_EQ(Parse("plug ardo-raw R # comment\nmidi 5 90 3C 7F\nreload 6\n", error).size(), 3u);
    EXPECT_EQ(error, "");
}

TEST(SessionTouchPlayer, PlugsReportsAtTheirTimeAndUnplugs) {
    std::string error;
    std::string text = "plug ardo A1\nreport 100";
    for (int i = 0; i < 65; ++i)
        text += i == 2 ? " 35" : " 00";
    text += "\nidle 200\nunplug A1\n";
    std::vector<ScriptLine> lines = Parse(text, error);
    ASSERT_EQ(error, "");

    SimDeviceTree tree;
    SimHidBus bus;
    ManualClock clock;
    ManualTimedWait wait(clock);
    SessionTouchPlayer player(tree, bus, lines, &clock, &wait);
    ASSERT_TRUE(player.resume());
    ASSERT_TRUE(wait.waitUntilWaiting());  // plugged, waiting for the report's time
    std::vector<DeviceInterfaceEntry> listed;
    ASSERT_TRUE(tree.listInterfaces(InterfaceCategory::Hid, listed));
    ASSERT_EQ(listed.size(), 1u);
    std::unique_ptr<HidFileIf> file = bus.Open(listed[0].path, false);
    ASSERT_TRUE(file);
    EXPECT_EQ(player.played(), 1u);

    wait.advanceMs(100);
    std::vector<uint8_t> got(65);
    ASSERT_TRUE(file->Read(got));
    EXPECT_EQ(got[2], 0x35);
    ASSERT_TRUE(wait.waitUntilWaiting());  // at "idle 200"
    wait.advanceMs(100);
    EXPECT_FALSE(file->Read(got));  // returns once the controller is unplugged
    player.stop();                  // nothing is left to wait for: joins the ending thread
    EXPECT_EQ(player.played(), 4u);
    EXPECT_EQ(bus.Find(listed[0].path), nullptr);
    ASSERT_TRUE(tree.listInterfaces(InterfaceCategory::Hid, listed));
    EXPECT_TRUE(listed.empty());
}

}  // namespace
}  // namespace qmt
