// Mapping files with the presets they name. The input is the mapping file, then one preset
// file per preset name in the order the mapping names them; the mapping is loaded as the
// driver loads it, its presets found by name (regardless of case) among those files, in
// memory. Checked: what parses writes back and parses to the same entries; every preset the
// load keeps is valid with its "Default" channels replaced and its slot's input channel;
// devices of every model can be served, and no entry is claimed twice.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/AsciiCase.h"
#include "fuzz/FuzzInput.h"
#include "model/Mapping.h"
#include "model/PresetFile.h"

namespace {

using namespace qmt;

// The preset folder: file names with their bytes, in the order they were made.
using Folder = std::vector<std::pair<std::string, std::span<const uint8_t>>>;

// Only plain names can be files of the preset folder.
bool PlainName(const std::string& name) {
    return !name.empty() && name.size() <= 64 && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && name != "." && name != "..";
}

Folder PresetFiles(const Mapping& mapping, fuzz::FuzzInput& input) {
    Folder folder;
    std::set<std::string> written;
    for (const MappingEntry& entry : mapping.entries) {
        for (int slot = 0; slot < kMappingSlots && !input.empty(); ++slot) {
            const std::string file =
                entry.presetNames[slot] + PresetExtension(SlotPresetKind(slot));
            if (!entry.slotUsed[slot] || !PlainName(entry.presetNames[slot]) ||
                !written.insert(file).second)
                continue;
            folder.emplace_back(file, input.block());
        }
    }
    return folder;
}

// The file the folder source would open: the exact name, else one differing in case only.
PresetPtr FindPreset(const Folder& folder, const std::string& name, int slot) {
    if (!PlainName(name)) return nullptr;
    const std::string wanted = name + PresetExtension(SlotPresetKind(slot));
    const std::span<const uint8_t>* found = nullptr;
    for (const auto& [file, bytes] : folder) {
        if (file == wanted) return ParsePreset(bytes);
        if (found == nullptr && equalsIgnoreCase(file, wanted)) found = &bytes;
    }
    return found != nullptr ? ParsePreset(*found) : nullptr;
}

bool SameEntries(const Mapping& a, const Mapping& b) {
    if (a.entries.size() != b.entries.size()) return false;
    for (size_t e = 0; e < a.entries.size(); ++e) {
        const MappingEntry& x = a.entries[e];
        const MappingEntry& y = b.entries[e];
        if (x.name != y.name || x.type != y.type || x.slotUsed != y.slotUsed) return false;
        for (int s = 0; s < kMappingSlots; ++s) {
            if (!x.slotUsed[s]) continue;
            if (x.presetNames[s] != y.presetNames[s] ||
                x.defaultChannels[s] != y.defaultChannels[s] ||
                x.inputChannels[s] != y.inputChannels[s])
                return false;
        }
    }
    return true;
}

void CheckLoaded(Mapping& mapping) {
    for (const MappingEntry& entry : mapping.entries) {
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            const Preset* preset = entry.presets[slot].get();
            if (preset == nullptr) continue;
            QMT_FUZZ_CHECK(entry.slotUsed[slot]);
            QMT_FUZZ_CHECK(ValidatePreset(*preset));
            QMT_FUZZ_CHECK(preset->inputChannel == entry.inputChannels[slot]);
            for (const AssignmentList& list : preset->lists)
                for (const Assignment& a : list)
                    for (const Message& m : a.messages)
                        QMT_FUZZ_CHECK(m.kind == kMsgNone || m.kind == kMsgKey ||
                                       m.channel != kChannelDefault);
        }
    }
    // Devices of every model, first by the names the mapping holds, then unnamed ones: an
    // entry claimed by one device is never handed to a second one by claim.
    std::set<const MappingEntry*> claimed;
    for (uint8_t model :
         {kModelKv10, kModelKv5, kModelArdo, kModelArdoRawProto2009, kModelArdoRaw}) {
        for (size_t e = 0; e < mapping.entries.size() && e < 8; ++e)
            if (!mapping.entries[e].name.empty())
                ApplyMappingToDevice(mapping, model, mapping.entries[e].name);
        for (int device = 0; device < 3; ++device) {
            MappingEntry* entry = ApplyMappingToDevice(mapping, model, "");
            if (entry == nullptr) break;
            QMT_FUZZ_CHECK(claimed.insert(entry).second);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::span<const uint8_t> mappingBytes = input.block();
    MappingPtr parsed = ParseMapping(mappingBytes);
    if (!parsed) return 0;

    MappingPtr back = ParseMapping(WriteMapping(*parsed));
    QMT_FUZZ_CHECK(back != nullptr);
    QMT_FUZZ_CHECK(SameEntries(*parsed, *back));

    const Folder folder = PresetFiles(*parsed, input);
    MappingPtr loaded = LoadMappingFromBytes(mappingBytes, [&](const std::string& name, int slot) {
        return FindPreset(folder, name, slot);
    });
    QMT_FUZZ_CHECK(loaded != nullptr);
    CheckLoaded(*loaded);
    return 0;
}
