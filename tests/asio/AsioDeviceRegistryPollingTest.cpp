#include <gtest/gtest.h>

#include "asio/AsioDeviceRegistry.h"
#include "asio/CKsAudFilter.h"
#include "asio/QmtAsioBrand.h"
#include "common/ManualTimedWait.h"
#include "platform/FileRegistry.h"
#include "platform/sim/SimAudioCards.h"
#include "tests/devices/RecordingHandler.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

// The polling thread finds a controller, opens its filters and tells the handler, while the
// test thread reads the registry under its mutex.
TEST(AsioDeviceRegistryPollingTest, PollingThreadAttachesFiltersAndNotifies) {
    TempFolder folder;
    FileRegistry settings(folder.file("user.reg"), folder.file("machine.reg"));
    SimDeviceTree tree;
    SimAudioCards cards(tree);
    ManualClock clock;
    ManualTimedWait wait(clock);
    RecordingHandler handler;
    QmtAsioBrand brand;
    AsioDeviceRegistry registry(brand, tree, cards, settings, brand.createDeviceModels(tree),
                                &clock, &wait);
    ASSERT_TRUE(registry.initialize());
    registry.addEventHandler(&handler);
    tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);

    ASSERT_TRUE(wait.waitUntilWaiting());
    wait.advanceMs(DeviceRegistry::kPollIntervalMs);
    ASSERT_TRUE(handler.called.wait(kInfinite));
    ASSERT_TRUE(wait.waitUntilWaiting());  // the pass is over
    std::lock_guard lock(registry.mutex());
    ASSERT_EQ(registry.getNumberOfDevices(), 1u);
    EXPECT_TRUE(registry.getAsioDevice(0)->isPresent());
    EXPECT_NE(registry.getAsioDevice(0)->getRenderFilter(), nullptr);
    EXPECT_TRUE(registry.getUsedChannels().outputs.test(5));
}

}  // namespace
}  // namespace qmt
