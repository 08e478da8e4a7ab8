#pragma once
// Mapping files (".kdm"): which presets drive which controller.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/Preset.h"

namespace qmt {

class RegistryIf;

constexpr int kMappingSlots = 7;

struct MappingEntry {
    std::string name;   // the controller's serial string; empty = next controller of the type
    uint32_t type = 0;  // 0 = any model, else a model type
    std::array<bool, kMappingSlots> slotUsed{};  // the slot names a preset
    std::array<std::string, kMappingSlots> presetNames;
    std::array<uint8_t, kMappingSlots> defaultChannels{};
    std::array<uint8_t, kMappingSlots> inputChannels{};
    std::array<PresetPtr, kMappingSlots> presets;  // loaded (or copied) presets
    // Set when an unnamed entry was given to a device. Kept apart from the name so that a
    // device without a serial string still takes the entry for itself: two devices must
    // never share one preset's run-time state.
    bool claimed = false;
};

struct Mapping {
    std::vector<MappingEntry> entries;
};

using MappingPtr = std::unique_ptr<Mapping>;

// Slot -> preset kind, and the kind group a slot belongs to (0; 1-2; 3-4; 5-6).
PresetKind SlotPresetKind(int slot);
int SlotGroup(int slot);

// Parses the file's entries (no presets are loaded). Null on any fault; `error` says why.
MappingPtr ParseMapping(std::span<const uint8_t> bytes, std::string* error = nullptr);
// Serialises as "KDM2" (the presets themselves are not written).
std::vector<uint8_t> WriteMapping(const Mapping& mapping);

// Loads a mapping as the driver does: parses it, loads and validates every named preset from
// the folder in "Preset Path" (the user's, else the machine's), shares repeated names by deep
// copies, stores the input channels and replaces the "Default" channel.
MappingPtr LoadMapping(const std::string& path, RegistryIf& registry, std::string* error = nullptr);
// The same with an explicit preset folder.
MappingPtr LoadMappingWithPresetPath(const std::string& path, const std::string& presetPath,
                                     std::string* error = nullptr);
// Where a load finds a preset: the one the mapping names `name` for `slot` (its file name is
// the name with the slot kind's extension, found regardless of case), or null when there is
// none or it does not parse. The load validates what it gets.
using PresetSource = std::function<PresetPtr(const std::string& name, int slot)>;
// The same from the mapping's bytes; a folder's presets come from PresetFolderSource.
MappingPtr LoadMappingFromBytes(std::span<const uint8_t> bytes, const PresetSource& presets,
                                std::string* error = nullptr);
PresetSource PresetFolderSource(const std::string& presetPath);
// What loading does to each preset of an entry: stores the input channel and replaces the
// "Default" channel of every message by the entry's default channel.
void SubstituteChannels(Preset& preset, uint8_t defaultChannel, uint8_t inputChannel);
// Reads "Selected Mapping" (current user first, then machine) and loads it.
MappingPtr LoadSelectedMapping(RegistryIf& registry, std::string* error = nullptr);

// The entry for a device: by serial string, else the first free entry of its preset class
// (which is then claimed). Null when the device gets no presets.
MappingEntry* ApplyMappingToDevice(Mapping& mapping, uint8_t modelType, const std::string& serial);

inline void FreeMapping(MappingPtr& mapping) {
    mapping.reset();
}

}  // namespace qmt
