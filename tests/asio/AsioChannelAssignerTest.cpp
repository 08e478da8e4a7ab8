#include <gtest/gtest.h>

#include <vector>

#include "asio/BrxAsioChannelAssigner.h"
#include "asio/BrxKrt4AsioDeviceInfo.h"
#include "asio/QmtArdoAsioDeviceInfo.h"
#include "asio/QmtAsioChannelAssigner.h"
#include "asio/QmtKv5AsioDeviceInfo.h"
#include "devices/BrxKrt4DeviceModel.h"
#include "devices/QmtArdoDeviceModel.h"
#include "devices/QmtKv5DeviceModel.h"
#include "platform/sim/SimDeviceTree.h"

namespace qmt {
namespace {

std::vector<int> outputs(const AsioDeviceConfigurationIf& config) {
    std::vector<int> map;
    for (uint32_t ch = 0; ch < config.getRenderChannelCount(); ++ch)
        map.push_back(config.getOutputChannel(ch));
    return map;
}

std::vector<int> inputs(const AsioDeviceConfigurationIf& config) {
    std::vector<int> map;
    for (uint32_t ch = 0; ch < config.getCaptureChannelCount(); ++ch)
        map.push_back(config.getInputChannel(ch));
    return map;
}

AsioUsedChannels outputsUsed(std::initializer_list<int> channels) {
    AsioUsedChannels used;
    for (int ch : channels)
        used.outputs.set(static_cast<size_t>(ch));
    return used;
}

class AsioChannelAssignerTest : public ::testing::Test {
  protected:
    SimDeviceTree tree;
    QmtKv5DeviceModel kv5Model{tree};
    QmtArdoDeviceModel ardoModel{tree};
    BrxKrt4DeviceModel krt4Model{tree};
    QmtAsioChannelAssigner qmt;
    BrxAsioChannelAssigner brx;
};

TEST_F(AsioChannelAssignerTest, NewDeviceTakesTheLowestFreeOutputs) {
    QmtArdoAsioDeviceInfo ardo("hid", nullptr, 1, "ARDO00001", &ardoModel);
    EXPECT_EQ(outputs(*ardo.getSelectedConfiguration()), std::vector<int>(6, 255));
    qmt.assignChannels(ardo, outputsUsed({0, 1}), true);
    EXPECT_EQ(outputs(*ardo.getSelectedConfiguration()), (std::vector<int>{2, 3, 4, 5, 6, 7}));
}

TEST_F(AsioChannelAssignerTest, PicksBeyondChannel15FallBackToTheChannelsOrdinal) {
    QmtKv5AsioDeviceInfo kv5("hid", nullptr, 0, "KV5000001", &kv5Model);
    AsioUsedChannels all;
    all.outputs.set();
    qmt.assignChannels(kv5, all, true);
    EXPECT_EQ(outputs(*kv5.getSelectedConfiguration()), (std::vector<int>{0, 1}));

    QmtArdoAsioDeviceInfo ardo("hid", nullptr, 1, "ARDO00001", &ardoModel);
    qmt.assignChannels(ardo, outputsUsed({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), true);
    EXPECT_EQ(outputs(*ardo.getSelectedConfiguration()), (std::vector<int>{14, 15, 2, 3, 4, 5}));
}

TEST_F(AsioChannelAssignerTest, WithoutForceOnlyUnassignedEntriesTakeTheNextPick) {
    QmtArdoAsioDeviceInfo ardo("hid", nullptr, 1, "ARDO00001", &ardoModel);
    AsioDeviceConfigurationIf& config = *ardo.getSelectedConfiguration();
    const std::vector<uint8_t> stored = {254, 9, 255, 254, 254, 3};
    for (uint32_t ch = 0; ch < stored.size(); ++ch)
        config.setOutputChannel(ch, stored[ch]);
    qmt.assignChannels(ardo, outputsUsed({0, 3, 9}), false);
    EXPECT_EQ(outputs(config), (std::vector<int>{1, 9, 255, 2, 4, 3}));
}

TEST_F(AsioChannelAssignerTest, SecondBrandGivesEveryKrt4TheChannelsOfItsMode) {
    BrxKrt4AsioDeviceInfo krt4("hid", nullptr, 0, "KRT400001", &krt4Model);
    ASSERT_EQ(krt4.getNumberOfConfigurations(), 2u);
    AsioDeviceConfigurationIf& eightOut = *krt4.getConfiguration(0);
    AsioDeviceConfigurationIf& fourOut = *krt4.getConfiguration(1);
    EXPECT_STREQ(eightOut.getName(), "8 in - 2 out");
    EXPECT_STREQ(fourOut.getName(), "4 in - 4 out");
    fourOut.setInputChannel(1, 7);
    fourOut.setInputChannel(2, 254);
    brx.assignChannels(krt4, outputsUsed({0, 1, 2}), false);
    EXPECT_EQ(outputs(eightOut), std::vector<int>(8, 255));  // nothing unassigned
    EXPECT_EQ(inputs(fourOut), (std::vector<int>{255, 7, 2, 255}));

    brx.assignChannels(krt4, outputsUsed({0, 1, 2}), true);
    EXPECT_EQ(outputs(eightOut), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(inputs(eightOut), (std::vector<int>{0, 1}));
    EXPECT_EQ(outputs(fourOut), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(inputs(fourOut), (std::vector<int>{0, 1, 2, 3}));

    // Other models are not the second brand's to assign.
    QmtKv5AsioDeviceInfo kv5("hid", nullptr, 1, "KV5000001", &kv5Model);
    brx.assignChannels(kv5, {}, true);
    EXPECT_EQ(outputs(*kv5.getSelectedConfiguration()), (std::vector<int>{255, 255}));
}

TEST_F(AsioChannelAssignerTest, RollbackRestoresTheMapsOfEveryConfiguration) {
    BrxKrt4AsioDeviceInfo krt4("hid", nullptr, 0, "KRT400001", &krt4Model);
    brx.assignChannels(krt4, {}, true);
    krt4.setState(DeviceInfo::kPresent);
    krt4.makeRestorePoint();
    krt4.getConfiguration(0)->setOutputChannel(7, 255);
    krt4.getConfiguration(1)->setInputChannel(0, 12);
    krt4.setState(0);
    krt4.rollbackChanges();
    EXPECT_EQ(krt4.getState(), DeviceInfo::kPresent);
    EXPECT_EQ(krt4.getConfiguration(0)->getOutputChannel(7), 7);
    EXPECT_EQ(krt4.getConfiguration(1)->getInputChannel(0), 0);
}

}  // namespace
}  // namespace qmt
