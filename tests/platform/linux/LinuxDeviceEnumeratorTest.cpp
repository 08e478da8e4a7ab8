#include <gtest/gtest.h>

#include "FakeSysfs.h"
#include "common/AsciiCase.h"
#include "platform/linux/HidrawDevice.h"
#include "platform/linux/LinuxDeviceEnumerator.h"

namespace qmt {
namespace {

using test::FakeSysfs;

class LinuxDeviceEnumeratorTest : public ::testing::Test {
  protected:
    std::string IdOf(DeviceNode node) {
        std::string id;
        EXPECT_TRUE(devices.getDeviceInstanceId(node, id)) << node;
        return id;
    }
    DeviceNode AudioNode() {
        std::vector<DeviceInterfaceEntry> audio;
        EXPECT_TRUE(devices.listInterfaces(InterfaceCategory::Audio, audio));
        EXPECT_EQ(audio.size(), 1u);
        return audio.empty() ? kNoDeviceNode : audio[0].node;
    }
    // The path a device model builds from a HID device's instance id.
    std::string BuiltHidPath(DeviceNode hid, const std::string& pattern) {
        const std::string id = IdOf(hid);
        return "\\\\?\\" + pattern + "#" + id.substr(id.find_last_of('\\') + 1) + "#{" +
               kHidInterfaceGuid + "}";
    }
    std::string HidPath(const std::string& name) {
        HidrawDevice device;
        EXPECT_TRUE(ReadHidrawDevice(sysfs.sysRoot(), sysfs.devRoot(), name, device));
        return device.interfacePath;
    }

    FakeSysfs sysfs;
    LinuxDeviceEnumerator devices{sysfs.sysRoot(), sysfs.devRoot()};
};

// An ARDO: one composite device with its audio function (interface 0) and its HID
// function (interface 2), as the ARDO's device model walks it from the audio device.
TEST_F(LinuxDeviceEnumeratorTest, CompositeControllerIsWalkedFromItsAudioToItsHidFunction) {
    sysfs.AddUsbDevice("1-1", 3, 0xF7E1, 0x0300, "ARDO0042");
    sysfs.AddAudio(0, "1-1", 0, true, true);
    sysfs.AddUsb("hidraw0", "1-1", 2, 3, 0xF7E1, 0x0300, "ARDO0042", 1);
    std::vector<DeviceInterfaceEntry> audio;
    ASSERT_TRUE(devices.listInterfaces(InterfaceCategory::Audio, audio));
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_NE(audio[0].path.find("USB#VID_F7E1&PID_0300&MI_00#"), std::string::npos)
        << audio[0].path;

    DeviceNode composite = kNoDeviceNode, child = kNoDeviceNode, next = kNoDeviceNode;
    ASSERT_TRUE(devices.getParent(audio[0].node, composite));
    EXPECT_EQ(IdOf(composite), "USB\\VID_F7E1&PID_0300\\ARDO0042");
    // The HID function is listed first, the audio function after it.
    ASSERT_TRUE(devices.getFirstChild(composite, next));
    ASSERT_TRUE(devices.getNextSibling(next, child));
    EXPECT_EQ(child, audio[0].node);
    const std::string function = IdOf(next);
    EXPECT_EQ(function.rfind("USB\\VID_F7E1&PID_0300&MI_02\\6&", 0), 0u) << function;
    DeviceNode hid = kNoDeviceNode;
    ASSERT_TRUE(devices.getFirstChild(next, hid));
    // The path the model builds from the HID device's id is the listed interface's path.
    const std::string built = BuiltHidPath(hid, "HID#VID_F7E1&PID_0300&MI_02");
    EXPECT_TRUE(equalsIgnoreCase(built, HidPath("hidraw0"))) << built;
    std::string guid;
    ASSERT_TRUE(devices.getDeviceClassGuid(hid, guid));
    std::string hidClass;
    ASSERT_TRUE(devices.getClassGuid(kHidClassName, hidClass));
    EXPECT_EQ(guid, hidClass);
    EXPECT_FALSE(devices.getNextSibling(child, next));
}

// The KV5's model looks for the first function of its product without an interface number
// and takes that function's first child as its HID device: that has to be the HID function
// although sysfs lists the audio function (interface 0) first.
TEST_F(LinuxDeviceEnumeratorTest, Kv5FindsItsHidFunctionAsTheFirstFunctionOfItsProduct) {
    sysfs.AddUsbDevice("1-4", 3, 0xF7E1, 0x0202, "KV5SERIAL");
    sysfs.AddAudio(2, "1-4", 0, true, true);
    sysfs.AddUsb("hidraw4", "1-4", 2, 3, 0xF7E1, 0x0202, "KV5SERIAL", 4);
    DeviceNode composite = kNoDeviceNode, function = kNoDeviceNode, hid = kNoDeviceNode;
    ASSERT_TRUE(devices.getParent(AudioNode(), composite));
    ASSERT_TRUE(devices.getFirstChild(composite, function));
    EXPECT_EQ(IdOf(function).rfind("USB\\VID_F7E1&PID_0202&MI_02\\", 0), 0u) << IdOf(function);
    ASSERT_TRUE(devices.getFirstChild(function, hid));
    const std::string built = BuiltHidPath(hid, "HID#VID_F7E1&PID_0202&MI_02");
    EXPECT_TRUE(equalsIgnoreCase(built, HidPath("hidraw4"))) << built;
}

// A KV10: a hub inside the controller carries a separate codec and the controller, whose
// serial the KV10 model reads from the controller's USB instance id.
TEST_F(LinuxDeviceEnumeratorTest, Kv10IsFoundThroughTheHubAboveItsCodec) {
    sysfs.AddUsbDevice("1-2", 1, 0x05E3, 0x0608, "", 0x09);
    sysfs.AddUsbDevice("1-2.1", 2, 0x08BB, 0x2702, "");
    sysfs.AddAudio(1, "1-2.1", 0, true, false);
    sysfs.AddUsb("hidraw1", "1-2.2", 0, 1, 0xF7E1, 0x0100, "KV10SER1", 2);
    const DeviceNode audio = AudioNode();
    DeviceNode codec = kNoDeviceNode, hub = kNoDeviceNode, child = kNoDeviceNode;
    ASSERT_TRUE(devices.getParent(audio, codec));
    ASSERT_TRUE(devices.getParent(codec, hub));
    ASSERT_TRUE(devices.getFirstChild(hub, child));
    EXPECT_EQ(IdOf(child).rfind("USB\\VID_08BB&PID_2702\\5&", 0), 0u) << IdOf(child);
    ASSERT_TRUE(devices.getNextSibling(child, child));
    EXPECT_EQ(IdOf(child), "USB\\VID_F7E1&PID_0100\\KV10SER1");
    // A single-interface device shows no interface node: its HID device is its child.
    DeviceNode hid = kNoDeviceNode, parent = kNoDeviceNode;
    ASSERT_TRUE(devices.getFirstChild(child, hid));
    EXPECT_EQ(IdOf(hid).rfind("HID\\VID_F7E1&PID_0100\\7&", 0), 0u) << IdOf(hid);
    ASSERT_TRUE(devices.getParent(hid, parent));
    EXPECT_EQ(parent, child);
}

TEST_F(LinuxDeviceEnumeratorTest, AliasesFollowTheCardsPlaybackAndCaptureDevices) {
    sysfs.AddUsbDevice("1-3", 2, 0xF7E1, 0x0202, "KV5SERIAL");
    sysfs.AddAudio(2, "1-3", 0, true, false);
    std::vector<DeviceInterfaceEntry> audio, render, capture;
    ASSERT_TRUE(devices.listInterfaces(InterfaceCategory::Audio, audio));
    ASSERT_TRUE(devices.listInterfaces(InterfaceCategory::Render, render));
    ASSERT_TRUE(devices.listInterfaces(InterfaceCategory::Capture, capture));
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(render.size(), 1u);
    EXPECT_TRUE(capture.empty());
    uint32_t flags = 0;
    EXPECT_TRUE(devices.getInterfaceAlias(audio[0].path, InterfaceCategory::Render, flags));
    EXPECT_EQ(flags, kInterfaceActive);
    EXPECT_FALSE(devices.getInterfaceAlias(audio[0].path, InterfaceCategory::Capture, flags));
}

TEST_F(LinuxDeviceEnumeratorTest, SerialComesFromSysfsWithoutOpeningTheNode) {
    sysfs.AddUsb("hidraw0", "1-1", 2, 3, 0xF7E1, 0x0310, "RAW000017", 1);
    sysfs.AddUhid("hidraw1", 0xF7E1, 0x0310, "", 2);  // a device without a serial string
    std::u16string serial;
    ASSERT_TRUE(devices.getHidSerialNumber(HidPath("hidraw0"), serial));
    EXPECT_EQ(serial, u"RAW000017");
    EXPECT_FALSE(devices.getHidSerialNumber(HidPath("hidraw1"), serial));
    EXPECT_FALSE(devices.getHidSerialNumber("\\\\?\\HID#VID_0000#x#{y}", serial));
}

TEST_F(LinuxDeviceEnumeratorTest, NodesOfAnUnpluggedDeviceStopAnswering) {
    sysfs.AddUsb("hidraw0", "1-1", 2, 3, 0xF7E1, 0x0300, "ARDO0042", 1);
    std::vector<DeviceInterfaceEntry> hid;
    ASSERT_TRUE(devices.listInterfaces(InterfaceCategory::Hid, hid));
    ASSERT_EQ(hid.size(), 1u);
    EXPECT_EQ(hid[0].path, HidPath("hidraw0"));
    std::string id;
    ASSERT_TRUE(devices.getDeviceInstanceId(hid[0].node, id));
    sysfs.Remove("hidraw0");
    EXPECT_FALSE(devices.getDeviceInstanceId(hid[0].node, id));
    DeviceNode parent = kNoDeviceNode;
    EXPECT_FALSE(devices.getParent(hid[0].node, parent));
    ASSERT_TRUE(devices.listInterfaces(InterfaceCategory::Hid, hid));
    EXPECT_TRUE(hid.empty());
}

struct RecordingListener final : DeviceChangeListenerIf {
    std::vector<std::pair<std::string, bool>> notices;
    void hidInterfaceChanged(const std::string& path, bool arrived) override {
        notices.emplace_back(path, arrived);
    }
};

// Listeners hear of changes only: the interfaces present when they register are theirs to
// enumerate. (A second registration makes the watch look at sysfs again, which stands in
// for a kernel event here.)
TEST_F(LinuxDeviceEnumeratorTest, ListenersHearOfChangesNotOfWhatWasThere) {
    sysfs.AddUsb("hidraw0", "1-1", 2, 3, 0xF7E1, 0x0300, "ARDO0042", 1);
    RecordingListener first, second;
    ASSERT_TRUE(devices.registerHidNotification(&first));
    EXPECT_TRUE(first.notices.empty());
    sysfs.AddUsb("hidraw1", "1-2", 2, 3, 0xF7E1, 0x0310, "RAW000001", 2);
    ASSERT_TRUE(devices.registerHidNotification(&second));
    ASSERT_EQ(first.notices.size(), 1u);
    EXPECT_EQ(first.notices[0].first, HidPath("hidraw1"));
    EXPECT_TRUE(first.notices[0].second);
    EXPECT_TRUE(second.notices.empty());
    devices.unregisterHidNotification(&first);
    devices.unregisterHidNotification(&second);
}

}  // namespace
}  // namespace qmt
