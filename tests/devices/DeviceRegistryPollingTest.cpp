#include <gtest/gtest.h>

#include "RecordingHandler.h"
#include "common/ManualTimedWait.h"
#include "devices/DeviceRegistry.h"
#include "devices/MidiDeviceModels.h"
#include "platform/sim/SimDeviceTree.h"

namespace qmt {
namespace {

// The polling thread enumerates each time the test moves time past the interval.
class DeviceRegistryPollingTest : public ::testing::Test {
  protected:
    // Lets the thread reach its wait, then moves time by `ms`.
    void pollAfter(int64_t ms) {
        ASSERT_TRUE(wait.waitUntilWaiting());
        wait.advanceMs(ms);
    }

    SimDeviceTree tree;
    ManualClock clock;
    ManualTimedWait wait{clock};
    RecordingHandler handler;
};

TEST_F(DeviceRegistryPollingTest, PollingThreadFollowsPluggingEveryInterval) {
    DeviceRegistry registry(tree, MidiDeviceModels(tree), DeviceRegistry::ChangeWatch::Polling,
                            &clock, &wait);
    ASSERT_TRUE(registry.initialize());
    registry.addEventHandler(&handler);
    const int id = tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);

    pollAfter(4999);  // not yet: the thread goes on waiting in the same wait
    EXPECT_EQ(registry.getNumberOfDevices(), 0u);
    wait.advanceMs(1);
    ASSERT_TRUE(handler.called.wait(kInfinite));
    // Wait for the pass to finish: the registry mutex is held until then.
    ASSERT_TRUE(wait.waitUntilWaiting());
    ASSERT_EQ(registry.getNumberOfDevices(), 1u);
    DeviceInfo* device = registry.getDevice(0);
    EXPECT_EQ(handler.calls(), (std::vector<StateCall>{{device, 0, DeviceInfo::kUnknownState},
                                                       {device, DeviceInfo::kPresent, 0}}));
    handler.clear();
    tree.unplugController(id);
    wait.advanceMs(5000);
    ASSERT_TRUE(handler.called.wait(kInfinite));
    EXPECT_EQ(handler.calls(), (std::vector<StateCall>{{device, 0, DeviceInfo::kPresent}}));
}

// Calls back into the registry from the polling thread, and forgets what went away.
class CallingBackHandler : public DeviceInfo::EventHandlerIf {
  public:
    explicit CallingBackHandler(DeviceRegistry& registry) : registry_(registry) {}
    void stateChanged(DeviceInfo* device, uint32_t newState, uint32_t) override {
        registry_.getDeviceWithSerialNumber(device->getSerial());
        if (newState == 0 && registry_.removeDevice(device)) forgotten.set();
    }
    Event forgotten{false};

  private:
    DeviceRegistry& registry_;
};

TEST_F(DeviceRegistryPollingTest, HandlerOnThePollingThreadMayCallBackWhileOthersRead) {
    const int id = tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    DeviceRegistry registry(tree, MidiDeviceModels(tree), DeviceRegistry::ChangeWatch::Polling,
                            &clock, &wait);
    ASSERT_TRUE(registry.initialize());
    CallingBackHandler calling(registry);
    registry.addEventHandler(&calling);
    tree.unplugController(id);
    pollAfter(5000);
    // This thread reads while the poll runs; the registry mutex keeps both apart.
    for (int i = 0; i < 50; ++i) {
        std::lock_guard lock(registry.mutex());
        if (DeviceInfo* device = registry.getDeviceWithSerialNumber("KV5000001")) {
            EXPECT_EQ(device->getSerial(), "KV5000001");
        }
    }
    ASSERT_TRUE(calling.forgotten.wait(kInfinite));
    EXPECT_EQ(registry.getNumberOfDevices(), 0u);
}

TEST_F(DeviceRegistryPollingTest, DestructionStopsAWaitingThread) {
    auto registry = std::make_unique<DeviceRegistry>(
        tree, MidiDeviceModels(tree), DeviceRegistry::ChangeWatch::Polling, &clock, &wait);
    ASSERT_TRUE(registry->initialize());
    ASSERT_TRUE(wait.waitUntilWaiting());
    registry.reset();
    EXPECT_EQ(DeviceRegistry::instance(), nullptr);
}

}  // namespace
}  // namespace qmt
