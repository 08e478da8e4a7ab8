// The factory set must stay loadable by the driver and cover every control it claims to.

#include <gtest/gtest.h>

#include "model/Mapping.h"
#include "model/PresetFile.h"
#include "presets/FactoryPresets.h"

namespace qmt {
namespace {

TEST(FactoryPresets, EveryPresetValidatesAndSurvivesTheFileRoundTrip) {
    for (const auto& factory : FactoryPresets()) {
        std::string reason;
        EXPECT_TRUE(ValidatePreset(factory.preset, &reason)) << factory.name << ": " << reason;
        auto bytes = WritePreset(factory.preset);
        auto loaded = ParsePreset(bytes, &reason);
        ASSERT_TRUE(loaded) << factory.name << ": " << reason;
        EXPECT_TRUE(ValidatePreset(*loaded, &reason)) << factory.name << ": " << reason;
        EXPECT_EQ(WritePreset(*loaded), bytes) << factory.name;
    }
}

TEST(FactoryPresets, EveryControlOfEveryServedModelSendsSomething) {
    const auto presets = FactoryPresets();
    const Mapping mapping = FactoryMapping();
    for (const auto& entry : mapping.entries) {
        const ModelControls* controls = ControlsOf(static_cast<uint8_t>(entry.type));
        ASSERT_TRUE(controls);
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            if (!entry.slotUsed[slot]) continue;
            const FactoryPreset* preset = nullptr;
            for (const auto& p : presets)
                if (p.name == entry.presetNames[slot]) preset = &p;
            ASSERT_TRUE(preset) << entry.presetNames[slot];
            EXPECT_EQ(preset->preset.kind, SlotPresetKind(slot));
            for (auto list :
                 {controls->buttons, controls->rotaries, controls->absolutes, controls->pads})
                for (uint8_t id : list)
                    EXPECT_FALSE(preset->preset.lists[id].empty())
                        << preset->name << " control " << int{id};
        }
    }
}

TEST(FactoryPresets, MappingServesOneControllerOfEachModel) {
    auto bytes = WriteMapping(FactoryMapping());
    auto mapping = ParseMapping(bytes);
    ASSERT_TRUE(mapping);
    for (uint8_t model :
         {kModelKv10, kModelKv5, kModelArdo, kModelArdoRawProto2009, kModelArdoRaw}) {
        MappingEntry* entry =
            ApplyMappingToDevice(*mapping, model, "SERIAL-" + std::to_string(model));
        ASSERT_TRUE(entry) << int{model};
        EXPECT_EQ(PresetClassOf(entry->type), PresetClassOf(model));
    }
}

}  // namespace
}  // namespace qmt
