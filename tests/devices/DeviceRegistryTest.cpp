#include "devices/DeviceRegistry.h"

#include <gtest/gtest.h>

#include "RecordingHandler.h"
#include "devices/MidiDeviceModels.h"
#include "platform/sim/SimDeviceTree.h"

namespace qmt {
namespace {

constexpr uint32_t kPresent = DeviceInfo::kPresent;
constexpr uint32_t kUnknown = DeviceInfo::kUnknownState;

// Registries here enumerate only when told to: the watch is by notice, and time stands still.
class DeviceRegistryTest : public ::testing::Test {
  protected:
    SimDeviceTree tree;
    ManualClock clock;
    DeviceRegistry registry{tree, MidiDeviceModels(tree), DeviceRegistry::ChangeWatch::Notification,
                            &clock};
    RecordingHandler handler;
};

TEST_F(DeviceRegistryTest, EnumerationListsEachControllerWithItsModelAndSerial) {
    tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    tree.plugController(SimControllerModel::Kv5, u"KV5000002xyz", 2);
    tree.plugController(SimControllerModel::Krt4, u"KRT400003", 3);  // not a MIDI model
    ASSERT_TRUE(registry.initialize());
    EXPECT_EQ(DeviceRegistry::instance(), &registry);
    ASSERT_EQ(registry.getNumberOfDevices(), 2u);
    DeviceInfo* ardo = registry.getDevice(0);
    EXPECT_EQ(ardo->getSerial(), "ARDO00001");
    EXPECT_EQ(ardo->getModel()->getType(), 3u);
    EXPECT_EQ(ardo->getState(), kPresent);
    EXPECT_EQ(ardo->getAudioDeviceId(), nullptr);
    EXPECT_EQ(registry.getDevice(1)->getSerial(), "KV5000002");
    EXPECT_EQ(registry.getDeviceWithSerialNumber("ardo00001"), ardo);
    EXPECT_EQ(registry.getDeviceWithHidDeviceId(ardo->getHidDeviceId()), ardo);
    EXPECT_EQ(registry.getDeviceWithSerialNumber(""), nullptr);
    EXPECT_EQ(registry.getDevice(2), nullptr);
}

TEST_F(DeviceRegistryTest, MovingToAnotherPortKeepsTheDeviceAndItsIndex) {
    tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    const int ardo = tree.plugController(SimControllerModel::Ardo, u"ARDO00002", 2);
    ASSERT_TRUE(registry.initialize());
    DeviceInfo* device = registry.getDevice(1);
    const std::string oldPath = device->getHidDeviceId();
    registry.addEventHandler(&handler);
    handler.clear();

    // Moved between two passes: the device never looks absent.
    ASSERT_TRUE(tree.moveController(ardo, 7));
    registry.enumerateDevices();
    EXPECT_EQ(registry.getNumberOfDevices(), 2u);
    EXPECT_EQ(registry.getDevice(1), device);
    EXPECT_EQ(device->getIndex(), 1u);
    EXPECT_NE(device->getHidDeviceId(), oldPath);
    EXPECT_EQ(device->getHidDeviceId(), tree.hidInterfacePath(ardo));
    EXPECT_TRUE(handler.calls().empty());

    // Unplugged in one pass, back on another port in the next: absent, then present again.
    ASSERT_TRUE(tree.unplugController(ardo));
    registry.enumerateDevices();
    ASSERT_TRUE(tree.moveController(ardo, 3));
    registry.enumerateDevices();
    EXPECT_EQ(registry.getDevice(1), device);
    EXPECT_EQ(handler.calls(),
              (std::vector<StateCall>{{device, 0, kPresent}, {device, kPresent, 0}}));
}

TEST_F(DeviceRegistryTest, UnpluggingKeepsTheDeviceListedAndNotifiesOnce) {
    const int id = tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    ASSERT_TRUE(registry.initialize());
    DeviceInfo* device = registry.getDevice(0);
    registry.addEventHandler(&handler);
    handler.clear();
    tree.unplugController(id);
    registry.enumerateDevices();
    registry.enumerateDevices();
    EXPECT_EQ(registry.getNumberOfDevices(), 1u);
    EXPECT_FALSE(device->isPresent());
    EXPECT_EQ(handler.calls(), (std::vector<StateCall>{{device, 0, kPresent}}));
}

TEST_F(DeviceRegistryTest, LateHandlerHearsOfEveryKnownDevice) {
    const int gone = tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    tree.plugController(SimControllerModel::Kv5, u"KV5000002", 2);
    ASSERT_TRUE(registry.initialize());
    tree.unplugController(gone);
    registry.enumerateDevices();
    DeviceInfo* absent = registry.getDevice(0);
    DeviceInfo* present = registry.getDevice(1);
    registry.addEventHandler(&handler);
    // An absent device has state 0: only the first call.
    EXPECT_EQ(handler.calls(),
              (std::vector<StateCall>{
                  {absent, 0, kUnknown}, {present, 0, kUnknown}, {present, kPresent, 0}}));
    // A device added later is announced the same way.
    handler.clear();
    tree.plugController(SimControllerModel::Ardo, u"ARDO00003", 3);
    registry.enumerateDevices();
    DeviceInfo* added = registry.getDevice(2);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(handler.calls(),
              (std::vector<StateCall>{{added, 0, kUnknown}, {added, kPresent, 0}}));
    registry.removeEventHandler(&handler);
    handler.clear();
    tree.unplugController(gone + 2);
    registry.enumerateDevices();
    EXPECT_TRUE(handler.calls().empty());
}

TEST_F(DeviceRegistryTest, LongSerialIsStoredEmptyAndTheControllerIsNotListedTwice) {
    const int id = tree.plugController(SimControllerModel::Ardo, u"ARDO0000111112222", 1);
    ASSERT_TRUE(registry.initialize());
    ASSERT_EQ(registry.getNumberOfDevices(), 1u);
    DeviceInfo* device = registry.getDevice(0);
    EXPECT_EQ(device->getSerial(), "");
    tree.unplugController(id);
    registry.enumerateDevices();
    tree.moveController(id, 1);
    registry.enumerateDevices();
    EXPECT_EQ(registry.getNumberOfDevices(), 1u);
    EXPECT_TRUE(device->isPresent());
    // Fifteen characters still fit.
    tree.plugController(SimControllerModel::Ardo, u"ARDO00001111122", 2);
    registry.enumerateDevices();
    EXPECT_EQ(registry.getDevice(1)->getSerial(), "ARDO00001111122");
}

TEST_F(DeviceRegistryTest, UnreadableOrForeignInterfacesAreNotListed) {
    const int locked = tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    tree.setSerialReadable(locked, false);
    tree.plugController(SimControllerModel::Ardo, u"AB", 2);  // too short to be a serial
    // Right vendor and product, but the device is not of the HID setup class.
    tree.addOtherHidDevice("HID\\VID_F7E1&PID_0300&MI_02\\9&1&0&0000",
                           "4D36E96C-E325-11CE-BFC1-08002BE10318", u"ARDO00009");
    tree.addOtherHidDevice("HID\\VID_046D&PID_C077\\9&2&0&0000",
                           "745A17A0-74D3-11D0-B6FE-00A0C90F57DA", u"MOUSE0001");
    ASSERT_TRUE(registry.initialize());
    EXPECT_EQ(registry.getNumberOfDevices(), 0u);
    tree.setSerialReadable(locked, true);
    registry.enumerateDevices();
    EXPECT_EQ(registry.getNumberOfDevices(), 1u);
}

TEST_F(DeviceRegistryTest, RefusedEnumerationChangesNothing) {
    tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    ASSERT_TRUE(registry.initialize());
    registry.addEventHandler(&handler);
    handler.clear();
    tree.setEnumerationFailing(true);
    registry.enumerateDevices();
    EXPECT_TRUE(registry.getDevice(0)->isPresent());
    EXPECT_TRUE(handler.calls().empty());
}

TEST_F(DeviceRegistryTest, RemovalIsRefusedWhilePresentAndRenumbersTheRest) {
    const int first = tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    tree.plugController(SimControllerModel::Ardo, u"ARDO00002", 2);
    tree.plugController(SimControllerModel::Ardo, u"ARDO00003", 3);
    ASSERT_TRUE(registry.initialize());
    DeviceInfo* device = registry.getDevice(0);
    DeviceInfo* last = registry.getDevice(2);
    EXPECT_FALSE(registry.removeDevice(device));
    EXPECT_EQ(registry.getNumberOfDevices(), 3u);

    tree.unplugController(first);
    registry.enumerateDevices();
    RecordingHandler second;
    registry.addEventHandler(&handler);
    registry.addEventHandler(&second);
    handler.clear();
    second.clear();
    ASSERT_TRUE(registry.removeDevice(device));
    EXPECT_EQ(handler.calls(), (std::vector<StateCall>{{device, kUnknown, 0}}));
    EXPECT_EQ(second.calls(), handler.calls());
    EXPECT_EQ(registry.getNumberOfDevices(), 2u);
    EXPECT_EQ(registry.getDevice(1), last);
    EXPECT_EQ(last->getIndex(), 1u);
    EXPECT_EQ(registry.getDeviceWithSerialNumber("ARDO00001"), nullptr);
    EXPECT_FALSE(registry.removeDevice(nullptr));

    // Plugged again, it is a new device at the end of the list.
    tree.moveController(first, 1);
    registry.enumerateDevices();
    EXPECT_EQ(registry.getDevice(2)->getSerial(), "ARDO00001");
}

// Forgets every absent device as soon as it hears of it, from inside the notification.
class ForgettingHandler : public DeviceInfo::EventHandlerIf {
  public:
    explicit ForgettingHandler(DeviceRegistry& registry) : registry_(registry) {}
    void stateChanged(DeviceInfo* device, uint32_t newState, uint32_t) override {
        if (newState == 0) forgotten += registry_.removeDevice(device);
        seenCount = registry_.getNumberOfDevices();
    }
    int forgotten = 0;
    size_t seenCount = 0;

  private:
    DeviceRegistry& registry_;
};

TEST_F(DeviceRegistryTest, HandlerMayCallBackIntoTheRegistryDuringEnumeration) {
    const int a = tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    const int b = tree.plugController(SimControllerModel::Ardo, u"ARDO00002", 2);
    ASSERT_TRUE(registry.initialize());
    ForgettingHandler forgetting(registry);
    registry.addEventHandler(&forgetting);
    registry.addEventHandler(&handler);
    handler.clear();
    tree.unplugController(a);
    tree.unplugController(b);
    registry.enumerateDevices();
    EXPECT_EQ(forgetting.forgotten, 2);
    EXPECT_EQ(registry.getNumberOfDevices(), 0u);
    // The second handler hears only that the devices were forgotten, never of a device that
    // the first handler had already destroyed.
    ASSERT_EQ(handler.calls().size(), 2u);
    for (const StateCall& call : handler.calls())
        EXPECT_EQ(call.newState, kUnknown);
}

TEST_F(DeviceRegistryTest, BurstOfNoticesGivesOneEnumerationAfterTheQuietTime) {
    ASSERT_TRUE(registry.initialize());
    registry.addEventHandler(&handler);
    EXPECT_EQ(registry.msUntilTimer(), kInfinite);

    tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    clock.advanceMs(300);
    tree.plugController(SimControllerModel::Kv5, u"KV5000002", 2);
    clock.advanceMs(300);
    const int third = tree.plugController(SimControllerModel::Ardo, u"ARDO00003", 3);
    EXPECT_EQ(registry.msUntilTimer(), 500u);
    clock.advanceMs(499);
    EXPECT_FALSE(registry.serviceTimer());
    EXPECT_EQ(registry.getNumberOfDevices(), 0u);
    clock.advanceMs(1);
    EXPECT_TRUE(registry.serviceTimer());
    EXPECT_FALSE(registry.serviceTimer());
    EXPECT_EQ(registry.getNumberOfDevices(), 3u);

    // A notice for another kind of device does not start the timer.
    tree.addOtherHidDevice("HID\\VID_046D&PID_C077\\9&2&0&0000",
                           "745A17A0-74D3-11D0-B6FE-00A0C90F57DA", u"MOUSE0001");
    EXPECT_EQ(registry.msUntilTimer(), kInfinite);
    tree.unplugController(third);
    clock.advanceMs(500);
    EXPECT_TRUE(registry.serviceTimer());
    EXPECT_FALSE(registry.getDevice(2)->isPresent());
}

TEST_F(DeviceRegistryTest, RestorePointAndRollbackCoverEveryDevice) {
    tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    ASSERT_TRUE(registry.initialize());
    DeviceInfo* device = registry.getDevice(0);
    registry.makeRestorePoint();
    registry.changeState(device, 0x100, true);
    EXPECT_EQ(device->getState(), kPresent | 0x100u);
    registry.rollbackChanges();
    EXPECT_EQ(device->getState(), kPresent);
}

TEST(DeviceRegistryLifetimeTest, DestructionStopsTheNoticesAndClearsTheProcessPointer) {
    SimDeviceTree tree;
    ManualClock clock;
    {
        DeviceRegistry registry(tree, MidiDeviceModels(tree),
                                DeviceRegistry::ChangeWatch::Notification, &clock);
        ASSERT_TRUE(registry.initialize());
    }
    EXPECT_EQ(DeviceRegistry::instance(), nullptr);
    // Nobody listens any more; plugging must not reach the destroyed registry.
    tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    EXPECT_EQ(tree.noticesSent(), 1);
}

}  // namespace
}  // namespace qmt
