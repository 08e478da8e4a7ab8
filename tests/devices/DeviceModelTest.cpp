#include <gtest/gtest.h>

#include "common/AsciiCase.h"
#include "devices/BrxKrt4DeviceModel.h"
#include "devices/QmtArdoDeviceModel.h"
#include "devices/QmtArdoRawDeviceModel.h"
#include "devices/QmtArdoRawProto2009DeviceModel.h"
#include "devices/QmtKv10DeviceModel.h"
#include "devices/QmtKv5DeviceModel.h"
#include "platform/sim/SimDeviceTree.h"

namespace qmt {
namespace {

class DeviceModelTest : public ::testing::Test {
  protected:
    // From the controller's audio device, the model must find the HID interface (or, for the
    // KV10, the USB device) and read the controller's serial from it.
    std::string serialThroughAudio(DeviceModelIf& model, int controller) {
        std::string control, serial;
        EXPECT_TRUE(model.isAudioDevice(tree.audioInterfacePath(controller)));
        if (!model.findControlDevice(tree.audioDeviceNode(controller), control, 256))
            return "<no control>";
        if (!model.getSerial(control, serial, 128)) return "<no serial>";
        return serial;
    }

    SimDeviceTree tree;
};

TEST_F(DeviceModelTest, ParentWalkBuildsTheHidInterfacePathOfEachModel) {
    QmtArdoDeviceModel ardo(tree);
    QmtKv5DeviceModel kv5(tree);
    BrxKrt4DeviceModel krt4(tree);
    QmtArdoRawDeviceModel raw(tree);
    const int a = tree.plugController(SimControllerModel::Ardo, u"ARDO00017", 1);
    const int k = tree.plugController(SimControllerModel::Kv5, u"KV5000123", 2);
    const int b = tree.plugController(SimControllerModel::Krt4, u"KRT4-0042", 3);
    const int r = tree.plugController(SimControllerModel::ArdoRaw, u"RAW000099", 4);

    std::string control;
    ASSERT_TRUE(ardo.findControlDevice(tree.audioDeviceNode(a), control, 256));
    EXPECT_EQ(control,
              "\\\\?\\HID#VID_F7E1&PID_0300&MI_02#7&1a2b1c&0&0000#{4D1E55B2-F16F-11CF-88CB-"
              "001111000030}");
    // The built path names the same interface the enumeration lists, apart from case.
    EXPECT_TRUE(containsIgnoreCase(tree.hidInterfacePath(a), control));

    EXPECT_EQ(serialThroughAudio(ardo, a), "ARDO00017");
    EXPECT_EQ(serialThroughAudio(kv5, k), "KV5000123");
    EXPECT_EQ(serialThroughAudio(krt4, b), "KRT4-0042");
    EXPECT_EQ(serialThroughAudio(raw, r), "RAW000099");
    // Another model's audio device does not lead anywhere.
    EXPECT_FALSE(ardo.findControlDevice(tree.audioDeviceNode(b), control, 256));
    // A result that does not fit the caller's buffer fails.
    EXPECT_FALSE(ardo.findControlDevice(tree.audioDeviceNode(a), control, 40));
}

TEST_F(DeviceModelTest, Kv10UsesTheGrandparentWalkAndTheIdentifierText) {
    QmtKv10DeviceModel kv10(tree);
    const int c = tree.plugController(SimControllerModel::Kv10, u"K10A55123", 5);
    std::string control, serial;
    ASSERT_TRUE(kv10.findControlDevice(tree.audioDeviceNode(c), control, 256));
    EXPECT_EQ(control, "USB\\VID_F7E1&PID_0100\\K10A55123");
    ASSERT_TRUE(kv10.getSerial("USB\\VID_F7E1&PID_0100\\AB12_rest_x", serial, 128));
    EXPECT_EQ(serial, "AB12");
    EXPECT_FALSE(kv10.getSerial("no backslash", serial, 128));
    EXPECT_FALSE(kv10.getSerial("USB\\VID_F7E1&PID_0100\\_x", serial, 128));
    EXPECT_FALSE(kv10.getSerial("USB\\VID_F7E1&PID_0100\\ABCDEFGH", serial, 8));
    // On its HID interface path the serial comes from the device, as for the other models,
    // so both ways of finding a KV10 agree on its serial.
    ASSERT_TRUE(kv10.getSerial(tree.hidInterfacePath(c), serial, 128));
    EXPECT_EQ(serial, "K10A55123");
}

TEST_F(DeviceModelTest, SerialReadStopsAtOddCharactersAndDropsTrailingSpaces) {
    QmtArdoDeviceModel ardo(tree);
    struct Case {
        std::u16string raw;
        bool ok;
        std::string serial;
    } cases[] = {
        {u"AB-12 34  ", true, "AB-12 34"},
        {u"ABCDE\u00e9XYZ", true, "ABCDE"},  // stops at the first character that is not usable
        {u"ABCD", false, "ABCD"},            // fewer than 5 characters
        {u"     ", false, ""},
        {u"AB.CDEFG", false, "AB"},
        {std::u16string(u"ABCDEF\0GH", 9), true, "ABCDEF"},
    };
    for (const Case& c : cases) {
        SimDeviceTree local;
        QmtArdoDeviceModel model(local);
        const int id = local.plugController(SimControllerModel::Ardo, c.raw, 1);
        std::string serial = "old";
        EXPECT_EQ(model.getSerial(local.hidInterfacePath(id), serial, 128), c.ok);
        EXPECT_EQ(serial, c.serial);
    }
    // Output room is kept for the terminator.
    const int id = tree.plugController(SimControllerModel::Ardo, u"ABCDEFGHIJ", 1);
    std::string serial;
    ASSERT_TRUE(ardo.getSerial(tree.hidInterfacePath(id), serial, 8));
    EXPECT_EQ(serial, "ABCDEFG");
    tree.setSerialReadable(id, false);
    EXPECT_FALSE(ardo.getSerial(tree.hidInterfacePath(id), serial, 128));
}

TEST_F(DeviceModelTest, Kv5SerialIsKnownByItsFirstNineCharacters) {
    QmtKv5DeviceModel kv5(tree);
    const int id = tree.plugController(SimControllerModel::Kv5, u"KV5123456789XYZ", 1);
    std::string serial;
    ASSERT_TRUE(kv5.getSerial(tree.hidInterfacePath(id), serial, 128));
    EXPECT_EQ(serial, "KV5123456");
}

TEST_F(DeviceModelTest, PatternsIgnoreCaseAndBothArdoRawModelsClaimTheSameIds) {
    QmtArdoRawDeviceModel raw(tree);
    QmtArdoRawProto2009DeviceModel proto(tree);
    BrxKrt4DeviceModel krt4(tree);
    const std::string path = "\\\\?\\hid#vid_f7e1&pid_0310&mi_02#7&1&0&0000#{x}";
    EXPECT_TRUE(raw.isHidDevice(path));
    EXPECT_TRUE(proto.isHidDevice(path));
    EXPECT_FALSE(krt4.isHidDevice(path));
    EXPECT_EQ(raw.getType(), 6u);
    EXPECT_EQ(proto.getType(), 4u);
    EXPECT_STREQ(proto.getName(), "ARDO RAW PROTO 2009");
    // The KRT4's audio pattern names its audio interface number.
    EXPECT_TRUE(krt4.isAudioDevice("\\\\?\\USB#VID_04D8&PID_0B1C&MI_00#6&1#{a}\\global"));
    EXPECT_FALSE(krt4.isAudioDevice("\\\\?\\USB#VID_04D8&PID_0B1C&MI_01#6&1#{a}\\global"));
}

}  // namespace
}  // namespace qmt
