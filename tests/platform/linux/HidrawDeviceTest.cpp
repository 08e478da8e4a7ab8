#include <gtest/gtest.h>

#include "FakeSysfs.h"
#include "platform/linux/HidrawDevice.h"

namespace qmt {
namespace {

using test::FakeSysfs;

const std::string kGuid = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

TEST(HidrawDeviceTest, CompositeUsbDeviceGetsAWindowsShapedPathWithItsInterface) {
    FakeSysfs sysfs;
    sysfs.AddUsb("hidraw3", "1-1", 2, 3, 0xF7E1, 0x0300, "ARDO0042", 1);
    HidrawDevice device;
    ASSERT_TRUE(ReadHidrawDevice(sysfs.sysRoot(), sysfs.devRoot(), "hidraw3", device));
    EXPECT_EQ(device.vendorId, 0xF7E1);
    EXPECT_EQ(device.productId, 0x0300);
    EXPECT_EQ(device.interfaceNumber, 2);
    EXPECT_EQ(device.uniq, "ARDO0042");
    EXPECT_EQ(device.node, sysfs.devRoot() + "/hidraw3");
    const std::string instance = InstancePart("/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.2");
    EXPECT_EQ(device.instanceId, "HID\\VID_F7E1&PID_0300&MI_02\\" + instance);
    EXPECT_EQ(device.interfacePath, "\\\\?\\HID#VID_F7E1&PID_0300&MI_02#" + instance + kGuid);
}

TEST(HidrawDeviceTest, PathStaysWhenTheControllerComesBackToTheSamePort) {
    FakeSysfs first, second;
    first.AddUsb("hidraw0", "1-1", 2, 3, 0xF7E1, 0x0310, "A", 1);
    second.AddUsb("hidraw5", "1-1", 2, 3, 0xF7E1, 0x0310, "A", 9);
    HidrawDevice a, b;
    ASSERT_TRUE(ReadHidrawDevice(first.sysRoot(), first.devRoot(), "hidraw0", a));
    ASSERT_TRUE(ReadHidrawDevice(second.sysRoot(), second.devRoot(), "hidraw5", b));
    EXPECT_EQ(a.interfacePath, b.interfacePath);
}

TEST(HidrawDeviceTest, TwoPortsGiveTwoPaths) {
    FakeSysfs sysfs;
    sysfs.AddUsb("hidraw0", "1-1", 2, 3, 0xF7E1, 0x0300, "A", 1);
    sysfs.AddUsb("hidraw1", "1-2", 2, 3, 0xF7E1, 0x0300, "B", 2);
    const auto devices = ListHidrawDevices(sysfs.sysRoot(), sysfs.devRoot());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_NE(devices[0].interfacePath, devices[1].interfacePath);
}

TEST(HidrawDeviceTest, SingleInterfaceDeviceHasNoInterfacePart) {
    FakeSysfs sysfs;
    sysfs.AddUsb("hidraw0", "1-4", 0, 1, 0xF7E1, 0x0100, "KV", 1);
    HidrawDevice device;
    ASSERT_TRUE(ReadHidrawDevice(sysfs.sysRoot(), sysfs.devRoot(), "hidraw0", device));
    EXPECT_EQ(device.interfaceNumber, -1);
    EXPECT_EQ(device.interfacePath.rfind("\\\\?\\HID#VID_F7E1&PID_0100#7&", 0), 0u)
        << device.interfacePath;
}

TEST(HidrawDeviceTest, UhidDevicesOfOneModelGetTwoPaths) {
    FakeSysfs sysfs;
    sysfs.AddUhid("hidraw0", 0xF7E1, 0x0100, "ONE", 1);
    sysfs.AddUhid("hidraw1", 0xF7E1, 0x0100, "TWO", 2);
    const auto devices = ListHidrawDevices(sysfs.sysRoot(), sysfs.devRoot());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_NE(devices[0].interfacePath, devices[1].interfacePath);
    EXPECT_EQ(devices[0].uniq, "ONE");
}

TEST(HidrawDeviceTest, NodesAreListedByNumberNotByName) {
    FakeSysfs sysfs;
    sysfs.AddUhid("hidraw10", 0xF7E1, 0x0100, "TEN", 1);
    sysfs.AddUhid("hidraw2", 0xF7E1, 0x0100, "TWO", 2);
    const auto devices = ListHidrawDevices(sysfs.sysRoot(), sysfs.devRoot());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].name, "hidraw2");
    EXPECT_EQ(devices[1].name, "hidraw10");
}

TEST(HidrawDeviceTest, NodeWithoutHidIdentityIsSkipped) {
    FakeSysfs sysfs;
    sysfs.AddUhid("hidraw0", 0xF7E1, 0x0100, "A", 1);
    HidrawDevice device;
    EXPECT_FALSE(ReadHidrawDevice(sysfs.sysRoot(), sysfs.devRoot(), "hidraw7", device));
}

TEST(HidrawDeviceTest, InterfacePathTurnsBackslashesIntoHashes) {
    EXPECT_EQ(InterfacePathFromInstanceId("USB\\VID_F7E1&PID_0300\\5&1", "ABC-DEF"),
              "\\\\?\\USB#VID_F7E1&PID_0300#5&1#{abc-def}");
}

}  // namespace
}  // namespace qmt
