// Loading a mapping with its presets, and choosing a device's entry.

#include "model/Mapping.h"

#include "common/AsciiCase.h"
#include "model/FilePaths.h"
#include "model/MidiSettings.h"
#include "model/PresetFile.h"

namespace qmt {

namespace {

// Paths were limited to 512 UTF-16 characters including the terminator.
constexpr size_t kMaxPath = 511;

// An earlier slot of the same kind group naming the same preset, or null.
const MappingEntry* findEarlier(const Mapping& mapping, size_t entryIndex, int slot,
                                int& foundSlot) {
    const std::string& name = mapping.entries[entryIndex].presetNames[slot];
    for (size_t e = 0; e <= entryIndex; ++e) {
        const MappingEntry& entry = mapping.entries[e];
        const int slotLimit = (e == entryIndex) ? slot : kMappingSlots;
        for (int s = 0; s < slotLimit; ++s) {
            if (!entry.slotUsed[s] || SlotGroup(s) != SlotGroup(slot)) continue;
            if (equalsIgnoreCase(entry.presetNames[s], name)) {
                foundSlot = s;
                return &entry;
            }
        }
    }
    return nullptr;
}

PresetPtr loadValidPreset(const PresetSource& presets, const std::string& name, int slot) {
    PresetPtr preset = presets(name, slot);
    if (!preset || !ValidatePreset(*preset)) return nullptr;
    return preset;
}

void loadPresets(Mapping& mapping, const PresetSource& presets) {
    for (size_t e = 0; e < mapping.entries.size(); ++e) {
        MappingEntry& entry = mapping.entries[e];
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            if (!entry.slotUsed[slot]) continue;
            int earlierSlot = 0;
            if (const MappingEntry* earlier = findEarlier(mapping, e, slot, earlierSlot)) {
                // The file is read once; a repeated name gets its own deep copy so that
                // each slot can carry its own channels and run-time state.
                if (const Preset* source = earlier->presets[earlierSlot].get()) {
                    entry.presets[slot] = CopyPreset(*source);
                    entry.presets[slot]->sharedCopy = true;
                }
                continue;
            }
            entry.presets[slot] = loadValidPreset(presets, entry.presetNames[slot], slot);
        }
    }
}

}  // namespace

void SubstituteChannels(Preset& preset, uint8_t defaultChannel, uint8_t inputChannel) {
    preset.inputChannel = inputChannel;
    for (auto& list : preset.lists)
        for (auto& assignment : list)
            for (auto& message : assignment.messages)
                if (message.channel == kChannelDefault) message.channel = defaultChannel;
}

PresetSource PresetFolderSource(const std::string& presetPath) {
    return [presetPath](const std::string& name, int slot) -> PresetPtr {
        const std::string wanted =
            JoinPath(presetPath, name + PresetExtension(SlotPresetKind(slot)));
        if (wanted.size() > kMaxPath) return nullptr;
        const std::string path = ResolveFileCaseInsensitive(wanted);
        return path.empty() ? nullptr : LoadPreset(path);
    };
}

MappingPtr LoadMappingFromBytes(std::span<const uint8_t> bytes, const PresetSource& presets,
                                std::string* error) {
    MappingPtr mapping = ParseMapping(bytes, error);
    if (!mapping) return nullptr;
    loadPresets(*mapping, presets);
    for (auto& entry : mapping->entries)
        for (int slot = 0; slot < kMappingSlots; ++slot)
            if (entry.presets[slot])
                SubstituteChannels(*entry.presets[slot], entry.defaultChannels[slot],
                                   entry.inputChannels[slot]);
    return mapping;
}

MappingPtr LoadMappingWithPresetPath(const std::string& path, const std::string& presetPath,
                                     std::string* error) {
    if (path.size() > kMaxPath) {
        if (error) *error = "\"" + path + "\": path too long";
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    std::string why;
    // The reading errors name the file already.
    if (!ReadWholeFile(path, bytes, error)) return nullptr;
    MappingPtr mapping = LoadMappingFromBytes(bytes, PresetFolderSource(presetPath), &why);
    if (!mapping && error) *error = "\"" + path + "\": " + why;
    return mapping;
}

MappingPtr LoadMapping(const std::string& path, RegistryIf& registry, std::string* error) {
    std::string presetPath;
    if (!QueryPresetPath(registry, presetPath)) {
        if (error) *error = "\"Preset Path\" is not set";
        return nullptr;
    }
    return LoadMappingWithPresetPath(path, presetPath, error);
}

MappingPtr LoadSelectedMapping(RegistryIf& registry, std::string* error) {
    std::string path;
    if (!QuerySelectedMapping(registry, path)) {
        if (error) *error = "no mapping is selected";
        return nullptr;
    }
    return LoadMapping(path, registry, error);
}

MappingEntry* ApplyMappingToDevice(Mapping& mapping, uint8_t modelType, const std::string& serial) {
    // An empty serial string never names an entry: it would match every unnamed one.
    if (!serial.empty()) {
        for (auto& entry : mapping.entries)
            if (equalsIgnoreCase(entry.name, serial)) return &entry;
    }
    const PresetClass deviceClass = PresetClassOf(modelType);
    for (auto& entry : mapping.entries) {
        if (!entry.name.empty() || entry.claimed) continue;
        if (entry.type != 0 && PresetClassOf(entry.type) != deviceClass) continue;
        entry.name = serial;
        entry.claimed = true;
        return &entry;
    }
    return nullptr;
}

}  // namespace qmt
