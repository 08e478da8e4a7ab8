#include <gtest/gtest.h>

#include "asio/QmtAsioBrand.h"
#include "asiopanel/ControlPanel.h"
#include "platform/sim/ScriptedMessageBox.h"
#include "tests/asiopanel/FakePanelView.h"
#include "tests/asiopanel/PanelTestWorld.h"

namespace qmt {
namespace {

// The registry's polling thread finds a controller arriving and one leaving while the panel is
// open; its notices reach the window's thread (here the test's) as posts, and the rows follow.
TEST(ControlPanelThreadTest, PollingThreadNoticesBecomeRowsOnTheWindowsThread) {
    PanelTestWorld world;
    SimDeviceTree& tree = world.tree;
    ManualTimedWait& wait = world.wait;
    QmtAsioBrand brand;
    const int kv5 = tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    std::unique_ptr<AsioDeviceRegistry> registry = world.makeRegistry(brand);
    ASSERT_TRUE(registry->initialize());
    AsioBufferSizeSetting bufferSize = AsioBufferSizeSetting::load(world.settings, brand);
    ScriptedMessageBox messages;
    FakePanelView view;
    ControlPanel panel({*registry, brand, bufferSize, world.settings, messages, [] {}});
    panel.initialize(view, true);
    ASSERT_EQ(view.rows.size(), 1u);
    view.posted.reset();

    tree.plugController(SimControllerModel::Ardo, u"ARDO00002", 2);
    tree.unplugController(kv5);
    ASSERT_TRUE(wait.waitUntilWaiting());
    wait.advanceMs(DeviceRegistry::kPollIntervalMs);
    // Processing may overlap the rest of the pass; every post is followed by a processing.
    ASSERT_TRUE(view.posted.wait(kInfinite));
    panel.processDeviceEvents();
    ASSERT_TRUE(wait.waitUntilWaiting());  // the pass is over
    panel.processDeviceEvents();
    EXPECT_EQ(view.column(0), (std::vector<std::string>{"ARDO (ARDO00002)", "", ""}));
}

}  // namespace
}  // namespace qmt
