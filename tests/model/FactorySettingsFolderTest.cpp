#include "presets/FactorySettingsFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/Mapping.h"
#include "model/MidiSettings.h"

namespace qmt {
namespace {

TEST(FactorySettingsFolder, HoldsTheFactorySetSelectedAndGoesAway) {
    std::string folder;
    {
        FactorySettingsFolder settings;
        std::string error;
        ASSERT_TRUE(settings.create("qmt-test", error)) << error;
        folder = settings.folder();
        std::string presets, selected;
        ASSERT_TRUE(QueryPresetPath(settings.registry(), presets));
        EXPECT_EQ(presets, settings.presetFolder());
        ASSERT_TRUE(QuerySelectedMapping(settings.registry(), selected));
        EXPECT_EQ(selected, settings.selectedMapping());
        // The selected mapping loads with every preset it names from that folder.
        MappingPtr mapping = LoadSelectedMapping(settings.registry(), &error);
        ASSERT_TRUE(mapping) << error;
        EXPECT_TRUE(mapping->entries[0].presets[0]);
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
}  // namespace qmt
