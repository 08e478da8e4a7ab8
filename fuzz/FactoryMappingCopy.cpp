#include "fuzz/FactoryMappingCopy.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "model/PresetFile.h"
#include "presets/FactoryPresets.h"

namespace qmt::fuzz {

namespace {

std::string& FactoryFolder() {
    static std::string folder;
    return folder;
}

void RemoveFactoryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FactoryFolder(), ignored);
}

}  // namespace

const Mapping& LoadedFactoryMapping() {
    static const MappingPtr mapping = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qmt-fuzz-factory-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        FactoryFolder() = pattern;
        std::atexit(RemoveFactoryFolder);
        std::string path;
        if (!WriteFactorySet(pattern, nullptr, &path)) std::abort();
        MappingPtr loaded = LoadMappingWithPresetPath(path, pattern);
        if (!loaded) std::abort();
        return loaded;
    }();
    return *mapping;
}

MappingPtr CopyMapping(const Mapping& mapping) {
    auto copy = std::make_unique<Mapping>();
    for (const MappingEntry& entry : mapping.entries) {
        MappingEntry& to = copy->entries.emplace_back();
        to.name = entry.name;
        to.type = entry.type;
        to.slotUsed = entry.slotUsed;
        to.presetNames = entry.presetNames;
        to.defaultChannels = entry.defaultChannels;
        to.inputChannels = entry.inputChannels;
        to.claimed = entry.claimed;
        for (int slot = 0; slot < kMappingSlots; ++slot)
            if (entry.presets[slot]) to.presets[slot] = CopyPreset(*entry.presets[slot]);
    }
    return copy;
}

}  // namespace qmt::fuzz
