#include "fuzz/FuzzedMapping.h"

#include "model/PresetFile.h"
#include "presets/FactoryPresets.h"

namespace qmt::fuzz {

namespace {

const Preset& FactoryPresetOfKind(PresetKind kind) {
    static const std::vector<FactoryPreset> presets = FactoryPresets();
    for (const FactoryPreset& p : presets)
        if (p.preset.kind == kind) return p.preset;
    return presets.front().preset;
}

PresetPtr PresetFromInput(std::span<const uint8_t> bytes, int slot) {
    PresetPtr preset = ParsePreset(bytes);
    if (preset && ValidatePreset(*preset)) return preset;
    return CopyPreset(FactoryPresetOfKind(SlotPresetKind(slot)));
}

}  // namespace

uint8_t ModelFromByte(uint8_t byte) {
    static constexpr uint8_t kModels[] = {kModelKv10, kModelKv5, kModelArdo, kModelArdoRawProto2009,
                                          kModelArdoRaw};
    return kModels[byte % 5];
}

std::vector<int> SlotsOf(uint8_t modelType) {
    switch (PresetClassOf(modelType)) {
        case kPresetClassKap:
            return {1, 2};
        case kPresetClassKrp:
            return {3, 4};
        case kPresetClassKqp:
            return {5, 6};
        default:
            return {0};
    }
}

MappingPtr FuzzedMapping(uint8_t modelType, FuzzInput& input) {
    const uint8_t channels = input.u8();
    auto mapping = std::make_unique<Mapping>();
    MappingEntry& entry = mapping->entries.emplace_back();
    entry.type = modelType;
    int n = 0;
    for (int slot : SlotsOf(modelType)) {
        entry.slotUsed[slot] = true;
        entry.presetNames[slot] = "fuzz";
        // Each slot its own channel; bit 7 makes the second one listen on every channel.
        entry.defaultChannels[slot] = static_cast<uint8_t>((channels >> (4 * n)) & 0x0F);
        entry.inputChannels[slot] =
            (n == 1 && (channels & 0x80)) ? kChannelOmni : entry.defaultChannels[slot];
        entry.presets[slot] = PresetFromInput(input.block(), slot);
        SubstituteChannels(*entry.presets[slot], entry.defaultChannels[slot],
                           entry.inputChannels[slot]);
        ++n;
    }
    return mapping;
}

NameableOutput NameableOutputOf(const MappingEntry& entry) {
    NameableOutput out;
    for (const PresetPtr& preset : entry.presets) {
        if (!preset) continue;
        for (const AssignmentList& list : preset->lists) {
            for (const Assignment& a : list) {
                for (const Message& m : a.messages) {
                    if (m.kind == kMsgNone || m.kind == kMsgKey) continue;
                    if (m.kind == kMsgExtended) {
                        out.extended.insert(m.extended);  // sent as stored, channel unused
                        continue;
                    }
                    if (m.channel == kChannelOmni) out.channels.fill(true);
                    if (m.channel < 16) out.channels[m.channel] = true;
                }
            }
        }
    }
    return out;
}

void WriteMappingSeed(SeedWriter& seed, uint8_t channels,
                      const std::vector<std::vector<uint8_t>>& presets) {
    seed.u8(channels);
    for (const auto& preset : presets)
        seed.block(preset);
}

}  // namespace qmt::fuzz
