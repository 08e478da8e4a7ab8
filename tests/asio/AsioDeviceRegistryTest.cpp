#include "asio/AsioDeviceRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "asio/BrxAsioBrand.h"
#include "asio/CKsAudFilter.h"
#include "asio/QmtAsioBrand.h"
#include "common/AsciiCase.h"
#include "common/ManualTimedWait.h"
#include "platform/FileRegistry.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimSoundCardModels.h"
#include "tests/devices/RecordingHandler.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

constexpr uint32_t kPresent = DeviceInfo::kPresent;
const std::string kKey = "Software\\QMT\\QMTASIO";

std::vector<int> outputs(const AsioDeviceInfo& device) {
    const AsioDeviceConfigurationIf& config = *device.getSelectedConfiguration();
    std::vector<int> map;
    for (uint32_t ch = 0; ch < config.getRenderChannelCount(); ++ch)
        map.push_back(config.getOutputChannel(ch));
    return map;
}

// The polling thread stays in its first wait (time stands still), so every enumeration here
// is the test's own call.
class AsioDeviceRegistryTest : public ::testing::Test {
  protected:
    void start(const AsioBrandIf& brand) {
        registry = std::make_unique<AsioDeviceRegistry>(
            brand, tree, cards, settings, brand.createDeviceModels(tree), &clock, &wait);
        ASSERT_TRUE(registry->initialize());
    }
    void start() { start(qmt); }

    // A device key; `channels` are the Channel%u values of Configuration0 (-1: left out).
    void store(const std::string& name, const std::string& serial, uint32_t type,
               std::vector<int> channels = {}) {
        const std::string key = kKey + "\\" + name;
        ASSERT_TRUE(settings.setString(Hive::CurrentUser, key, "SerialNumber", serial));
        ASSERT_TRUE(settings.setDword(Hive::CurrentUser, key, "Type", type));
        if (channels.empty()) return;
        ASSERT_TRUE(settings.createKey(Hive::CurrentUser, key + "\\Configuration0"));
        for (size_t ch = 0; ch < channels.size(); ++ch) {
            if (channels[ch] < 0) continue;
            ASSERT_TRUE(settings.setDword(Hive::CurrentUser, key + "\\Configuration0",
                                          "Channel" + std::to_string(ch),
                                          static_cast<uint32_t>(channels[ch])));
        }
    }

    uint32_t storedDword(const std::string& key, const std::string& name) {
        uint32_t value = 0xDEADBEEF;
        settings.queryDword(Hive::CurrentUser, kKey + "\\" + key, name, value);
        return value;
    }

    AsioDeviceInfo* device(size_t index) { return registry->getAsioDevice(index); }

    QmtAsioBrand qmt;
    TempFolder folder;
    FileRegistry settings{folder.file("user.reg"), folder.file("machine.reg")};
    SimDeviceTree tree;
    SimAudioCards cards{tree};
    ManualClock clock;
    ManualTimedWait wait{clock};
    RecordingHandler handler;
    std::unique_ptr<AsioDeviceRegistry> registry;
};

TEST_F(AsioDeviceRegistryTest, DeviceKeysLoadSortedByNumberAndRenumbered) {
    store("Device 7", "ARDO00007", 3, {4, 5, 6, 7, 8, 9});
    store("device 3", "KV5000003", 2, {16, -1});
    store("Device 5", "KRT400005", 5);  // no model of the maker's brand has type 5
    store("Device x", "KV5000009", 2);
    ASSERT_TRUE(settings.setDword(Hive::CurrentUser, kKey + "\\Device 9", "Type", 2));
    start();

    ASSERT_EQ(registry->getNumberOfDevices(), 2u);
    EXPECT_EQ(device(0)->getSerial(), "KV5000003");
    EXPECT_EQ(device(0)->getIndex(), 0u);
    EXPECT_EQ(device(1)->getSerial(), "ARDO00007");
    EXPECT_EQ(device(1)->getIndex(), 1u);
    EXPECT_TRUE(device(0)->isStored());
    EXPECT_EQ(device(0)->getState(), 0u);
    // Channel0 = 16 is disabled; the missing Channel1 takes the first output left free.
    EXPECT_EQ(outputs(*device(0)), (std::vector<int>{255, 0}));
    EXPECT_EQ(outputs(*device(1)), (std::vector<int>{4, 5, 6, 7, 8, 9}));
}

TEST_F(AsioDeviceRegistryTest, UnassignedChannelsAreHandedOutInSerialOrder) {
    store("Device 0", "KV5000009", 2, {-1, -1});
    store("Device 1", "KV5000002", 2, {-1, -1});
    store("Device 2", "KV5000005", 2);  // no configuration key: keeps what it got when made
    start();
    ASSERT_EQ(registry->getNumberOfDevices(), 3u);
    EXPECT_EQ(outputs(*device(2)), (std::vector<int>{0, 1}));  // forced when it was made
    EXPECT_EQ(outputs(*device(1)), (std::vector<int>{2, 3}));
    EXPECT_EQ(outputs(*device(0)), (std::vector<int>{4, 5}));
}

TEST_F(AsioDeviceRegistryTest, NewControllerTakesTheOutputsAfterAStoredOne) {
    store("Device 0", "KV5000001", 2, {0, 1});
    start();
    const int ardo = tree.plugController(SimControllerModel::Ardo, u"ARDO00002", 2);
    registry->enumerateDevices();
    ASSERT_EQ(registry->getNumberOfDevices(), 2u);
    AsioDeviceInfo* added = device(1);
    EXPECT_EQ(added->getSerial(), "ARDO00002");
    EXPECT_FALSE(added->isStored());
    EXPECT_EQ(added->getState(), kPresent);
    ASSERT_NE(added->getAudioDeviceId(), nullptr);
    EXPECT_EQ(*added->getAudioDeviceId(), tree.audioInterfacePath(ardo));
    EXPECT_NE(added->getRenderFilter(), nullptr);
    EXPECT_EQ(outputs(*added), (std::vector<int>{2, 3, 4, 5, 6, 7}));
}

TEST_F(AsioDeviceRegistryTest, WithEveryOutputUsedANewKv5PlaysOnItsOrdinals) {
    store("Device 0", "ARDO00001", 3, {0, 1, 2, 3, 4, 5});
    store("Device 1", "ARDO00002", 3, {6, 7, 8, 9, 10, 11});
    store("Device 2", "ARDO00003", 3, {12, 13, 14, 15, 255, 255});
    start();
    tree.plugController(SimControllerModel::Kv5, u"KV5000004", 4);
    registry->enumerateDevices();
    ASSERT_EQ(registry->getNumberOfDevices(), 4u);
    EXPECT_EQ(outputs(*device(3)), (std::vector<int>{0, 1}));
}

TEST_F(AsioDeviceRegistryTest, SavingDeletesStaleDeviceKeysAndKeepsTheRest) {
    store("Device 0", "KV5000001", 2, {3, 4});
    store("Device 2", "KV5000003", 2, {5, 6});
    store("Device 10", "KV5000010", 2, {7, 8});
    ASSERT_TRUE(settings.setString(Hive::CurrentUser, kKey + "\\Devices", "Note", "not ours"));
    start();
    ASSERT_EQ(registry->getNumberOfDevices(), 3u);
    registry->removeDevice(device(2));  // "Device 10"
    device(1)->getSelectedConfiguration()->setOutputChannel(1, 255);
    ASSERT_TRUE(registry->saveSettings());

    EXPECT_FALSE(settings.keyExists(Hive::CurrentUser, kKey + "\\Device 10"));
    EXPECT_FALSE(settings.keyExists(Hive::CurrentUser, kKey + "\\Device 2"));
    EXPECT_TRUE(settings.keyExists(Hive::CurrentUser, kKey + "\\Devices"));
    EXPECT_EQ(storedDword("Device 0\\Configuration0", "Channel1"), 4u);
    EXPECT_EQ(storedDword("Device 1", "Type"), 2u);
    EXPECT_EQ(storedDword("Device 1\\Configuration0", "Channel0"), 5u);
    EXPECT_EQ(storedDword("Device 1\\Configuration0", "Channel1"), 255u);
    std::string serial;
    ASSERT_TRUE(
        settings.queryString(Hive::CurrentUser, kKey + "\\Device 1", "SerialNumber", serial));
    EXPECT_EQ(serial, "KV5000003");

    // What was saved loads back the same.
    registry.reset();
    start();
    ASSERT_EQ(registry->getNumberOfDevices(), 2u);
    EXPECT_EQ(outputs(*device(1)), (std::vector<int>{5, 255}));
}

// Two keys for one controller, the second spelled otherwise: what is saved reads back as
// saved, because saving removes the key of the other spelling.
TEST_F(AsioDeviceRegistryTest, AKeyOfAnotherSpellingDoesNotOutliveASave) {
    store("Device 1", "KV5000001", 2, {3, 4});
    store("Device0", "KV5000001", 3, {0, 1, 2, 3, 4, 5});
    start();
    ASSERT_EQ(registry->getNumberOfDevices(), 1u);
    const uint32_t type = device(0)->getModel()->getType();
    const std::vector<int> saved = outputs(*device(0));
    ASSERT_TRUE(registry->saveSettings());
    EXPECT_FALSE(settings.keyExists(Hive::CurrentUser, kKey + "\\Device0"));

    registry.reset();
    start();
    ASSERT_EQ(registry->getNumberOfDevices(), 1u);
    EXPECT_EQ(device(0)->getModel()->getType(), type);
    EXPECT_EQ(outputs(*device(0)), saved);
}

TEST_F(AsioDeviceRegistryTest, StoredControllerGetsItsFiltersWhenSeenAndLosesThemWhenGone) {
    store("Device 0", "KV5000001", 2, {6, 7});
    start();
    registry->addEventHandler(&handler);
    AsioDeviceInfo* kv5 = device(0);
    handler.clear();

    const int id = tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    tree.setAliasFlags(id, InterfaceCategory::Capture, kInterfaceActive | kInterfaceRemoved);
    registry->enumerateDevices();
    ASSERT_EQ(registry->getNumberOfDevices(), 1u);
    EXPECT_EQ(handler.calls(), (std::vector<StateCall>{{kv5, kPresent, 0}}));
    EXPECT_NE(kv5->getRenderFilter(), nullptr);
    EXPECT_EQ(kv5->getCaptureFilter(), nullptr);  // its alias is marked removed
    EXPECT_TRUE(equalsIgnoreCase(kv5->getHidDeviceId(), tree.hidInterfacePath(id)));
    EXPECT_EQ(outputs(*kv5), (std::vector<int>{6, 7}));  // the stored channels stay

    registry->enumerateDevices();  // nothing changed: nothing heard
    EXPECT_EQ(handler.calls().size(), 1u);

    tree.unplugController(id);
    registry->enumerateDevices();
    EXPECT_EQ(handler.calls().back(), (StateCall{kv5, 0, kPresent}));
    EXPECT_EQ(kv5->getRenderFilter(), nullptr);
    EXPECT_EQ(registry->getNumberOfDevices(), 1u);
}

TEST_F(AsioDeviceRegistryTest, ControllerMovedBetweenPassesLeavesAndArrivesWithNewFilters) {
    start();
    const int id = tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    registry->enumerateDevices();
    AsioDeviceInfo* kv5 = device(0);
    CKsAudRenFilter* before = kv5->getRenderFilter();
    registry->addEventHandler(&handler);
    handler.clear();

    ASSERT_TRUE(tree.moveController(id, 5));
    registry->enumerateDevices();
    EXPECT_EQ(registry->getNumberOfDevices(), 1u);
    EXPECT_EQ(handler.calls(), (std::vector<StateCall>{{kv5, 0, kPresent}, {kv5, kPresent, 0}}));
    EXPECT_EQ(*kv5->getAudioDeviceId(), tree.audioInterfacePath(id));
    EXPECT_NE(kv5->getRenderFilter(), nullptr);
    EXPECT_NE(kv5->getRenderFilter(), before);

    // Plugged back into the same port between two passes: the same interface is listed, and
    // only the streaming side's word that the card was lost tells the registry.
    ASSERT_TRUE(tree.moveController(id, 5));
    registry->enumerateDevices();
    EXPECT_EQ(handler.calls().size(), 2u) << "nothing to see in the interface list";
    before = kv5->getRenderFilter();
    kv5->markCardLost();
    registry->enumerateDevices();
    EXPECT_EQ(handler.calls().size(), 4u);
    EXPECT_EQ(handler.calls()[2], (StateCall{kv5, 0, kPresent}));
    EXPECT_EQ(handler.calls()[3], (StateCall{kv5, kPresent, 0}));
    EXPECT_NE(kv5->getRenderFilter(), before);
    registry->enumerateDevices();
    EXPECT_EQ(handler.calls().size(), 4u) << "the mark is answered once";
}

TEST_F(AsioDeviceRegistryTest, Krt4ModeFollowsTheHardware) {
    BrxAsioBrand brx;
    const int eight = tree.plugController(SimControllerModel::Krt4, u"KRT400001", 1);
    const int four = tree.plugController(SimControllerModel::Krt4, u"KRT400002", 2);
    cards.card(four)->setProfile(SimKrt4SoundCardProfile(SimKrt4Mode::FourOutFourIn));
    cards.card(eight)->setProfile(SimKrt4SoundCardProfile(SimKrt4Mode::EightOutTwoIn));
    start(brx);
    ASSERT_EQ(registry->getNumberOfDevices(), 2u);
    EXPECT_EQ(device(0)->getSelectedConfigurationIndex(), 0u);
    EXPECT_STREQ(device(1)->getSelectedConfiguration()->getName(), "4 in - 4 out");

    // Switched over while unplugged: the next arrival probes again.
    tree.unplugController(four);
    registry->enumerateDevices();
    cards.card(four)->setProfile(SimKrt4SoundCardProfile(SimKrt4Mode::EightOutTwoIn));
    ASSERT_TRUE(tree.moveController(four, 2));
    registry->enumerateDevices();
    EXPECT_EQ(device(1)->getSelectedConfigurationIndex(), 0u);
}

}  // namespace
}  // namespace qmt
