#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "asio/AsioBufferSizeSetting.h"
#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "platform/FileRegistry.h"
#include "platform/sim/SimDeviceTree.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

TEST(AsioBrandTest, MakerBrandIsTheProcessBrandWithItsTable) {
    {
        QmtAsioBrand brand;
        ASSERT_EQ(AsioBrandIf::instance(), &brand);
        EXPECT_EQ(brand.getRegistryKey(), "Software\\QMT\\QMTASIO");
        EXPECT_STREQ(brand.getLongDriverName(), "QMT ASIO Driver");
        EXPECT_STREQ(brand.getDriverName(), "QMT ASIO");
        EXPECT_EQ(brand.getSampleBitDepth(), 24u);
        EXPECT_EQ(brand.getDefaultSampleRate(), 48000.0);
        EXPECT_EQ(brand.getMaximumSampleRate(), 384000.0);
        EXPECT_EQ(FormatGuid(brand.getClassId()), "{DBF318C2-9324-4708-8EE9-574B885FC757}");
        EXPECT_FALSE(brand.showsModeColumn());
        const char* about = brand.getAboutText();
        EXPECT_TRUE(std::string(about).ends_with(
            "\nASIO Interface Technology by Steinberg Media Technologies GmbH"));
    }
    EXPECT_EQ(AsioBrandIf::instance(), nullptr);
}

TEST(AsioBrandTest, SecondBrandDiffersWhereItsTableDoes) {
    BrxAsioBrand brand;
    EXPECT_EQ(brand.getRegistryKey(), "Software\\BRX\\BRXASIO");
    EXPECT_STREQ(brand.getControlPanelFileName(), "brxasioconfig");
    EXPECT_EQ(brand.getSampleBitDepth(), 16u);
    EXPECT_EQ(brand.getMinimumSampleRate(), 44100.0);
    EXPECT_EQ(brand.getMaximumSampleRate(), 44100.0);
    EXPECT_TRUE(brand.showsModeColumn());
    EXPECT_FALSE(brand.getClassId() == QmtAsioBrand::kClassId);
    SimDeviceTree tree;
    const auto models = brand.createDeviceModels(tree);
    ASSERT_EQ(models.size(), 1u);
    EXPECT_EQ(models[0]->getType(), 5u);
}

TEST(AsioBrandTest, ChannelNamesCountFromOneAndAreCutToTheBuffer) {
    QmtAsioBrand qmt;
    char name[32];
    qmt.getChannelName(name, sizeof name, 0, true);
    EXPECT_STREQ(name, "Channel #1");
    qmt.getChannelName(name, sizeof name, 15, false);
    EXPECT_STREQ(name, "Channel #16");
    std::memset(name, 'x', sizeof name);
    qmt.getChannelName(name, 5, 11, false);
    EXPECT_STREQ(name, "Chan");
    qmt.getChannelName(name, 0, 11, false);  // no room: nothing written
    EXPECT_EQ(name[0], 'C');

    BrxAsioBrand brx;
    brx.getChannelName(name, sizeof name, 1, true);
    EXPECT_STREQ(name, "In 2");
    brx.getChannelName(name, sizeof name, 9, false);
    EXPECT_STREQ(name, "Out 10");
}

TEST(AsioBufferSizeModelTest, LengthsAreTheDoublePrecisionSums) {
    QmtAsioBufferSizeModel qmt;
    EXPECT_EQ(qmt.getNumberOfSizes(), 40u);
    EXPECT_EQ(qmt.getDefaultIndex(), 5u);
    EXPECT_EQ(qmt.getTickSpacing(), 10u);
    // 8 * 0.001 + 0.001 lies just above 0.009: a driver taking the ceiling gets 433 frames.
    EXPECT_GT(qmt.getLength(8), 0.009);
    EXPECT_EQ(std::ceil(48000.0 * qmt.getLength(8)), 433.0);
    EXPECT_EQ(std::ceil(48000.0 * qmt.getLength(5)), 288.0);
    EXPECT_EQ(std::ceil(44100.0 * qmt.getLength(5)), 265.0);
    EXPECT_EQ(qmt.getText(39), "ASIO Buffer length = 40 ms");

    BrxAsioBufferSizeModel brx;
    EXPECT_EQ(brx.getNumberOfSizes(), 39u);
    EXPECT_EQ(brx.getDefaultIndex(), 4u);
    EXPECT_EQ(brx.getText(brx.getDefaultIndex()), "ASIO Buffer length = 6 ms");
    EXPECT_EQ(brx.getText(0), "ASIO Buffer length = 2 ms");
}

TEST(AsioBufferSizeSettingTest, StoredIndexOutsideTheModelFallsBackToTheDefault) {
    TempFolder folder;
    FileRegistry registry(folder.file("user.reg"), folder.file("machine.reg"));
    QmtAsioBrand brand;
    const std::string key = brand.getRegistryKey();
    EXPECT_EQ(AsioBufferSizeSetting::load(registry, brand).index, 5u);  // missing

    ASSERT_TRUE(registry.setDword(Hive::CurrentUser, key, "Buffer Size", 40));
    AsioBufferSizeSetting setting = AsioBufferSizeSetting::load(registry, brand);
    EXPECT_EQ(setting.index, 5u);
    EXPECT_EQ(setting.savedIndex, 5u);

    ASSERT_TRUE(registry.setDword(Hive::CurrentUser, key, "Buffer Size", 39));
    EXPECT_EQ(AsioBufferSizeSetting::load(registry, brand).index, 39u);

    ASSERT_TRUE(registry.setString(Hive::CurrentUser, key, "Buffer Size", "12"));
    EXPECT_EQ(AsioBufferSizeSetting::load(registry, brand).index, 5u);  // wrong type

    setting.index = 12;
    ASSERT_TRUE(setting.save(registry, brand));
    EXPECT_EQ(AsioBufferSizeSetting::load(registry, brand).index, 12u);
}

}  // namespace
}  // namespace qmt
