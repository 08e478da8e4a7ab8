#include "midiconfig/ControllerInfo.h"

#include "model/Preset.h"

namespace qmt {

namespace {

constexpr uint8_t kHighestChannel = 15;

uint8_t IndexOfDefault(uint8_t channel) {
    return channel <= kHighestChannel ? channel + 1 : 1;
}

uint8_t IndexOfInput(uint8_t channel) {
    if (channel == kChannelOmni) return kChannelIndexOmni;
    return channel <= kHighestChannel ? channel + 1 : 1;
}

uint8_t DefaultOfIndex(uint8_t index) {
    return index == kChannelIndexOmni || index >= kChannelIndexCount ? 0 : index - 1;
}

uint8_t InputOfIndex(uint8_t index) {
    if (index == kChannelIndexOmni) return kChannelOmni;
    return index >= kChannelIndexCount ? 0 : index - 1;
}

}  // namespace

std::vector<ControllerInfo> ControllerInfosOf(const Mapping& mapping) {
    std::vector<ControllerInfo> controllers;
    for (const MappingEntry& entry : mapping.entries) {
        ControllerInfo info(entry.type, entry.name);
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            if (!entry.slotUsed[slot]) continue;
            info.presets[slot] = entry.presetNames[slot];
            info.defaultChannels[slot] = IndexOfDefault(entry.defaultChannels[slot]);
            info.inputChannels[slot] = IndexOfInput(entry.inputChannels[slot]);
        }
        controllers.push_back(std::move(info));
    }
    return controllers;
}

Mapping MappingOf(const std::vector<ControllerInfo>& controllers) {
    Mapping mapping;
    for (const ControllerInfo& info : controllers) {
        MappingEntry entry;
        entry.name = info.serial;
        entry.type = info.type;
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            entry.slotUsed[slot] = !info.presets[slot].empty();
            entry.presetNames[slot] = info.presets[slot];
            entry.defaultChannels[slot] = DefaultOfIndex(info.defaultChannels[slot]);
            entry.inputChannels[slot] = InputOfIndex(info.inputChannels[slot]);
        }
        mapping.entries.push_back(std::move(entry));
    }
    return mapping;
}

}  // namespace qmt
