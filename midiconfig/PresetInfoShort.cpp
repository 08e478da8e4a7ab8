#include "midiconfig/PresetInfoShort.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/AsciiCase.h"
#include "model/FilePaths.h"
#include "model/PresetFile.h"

namespace qmt {

namespace {

constexpr PresetKind kScanOrder[] = {PresetKind::Kvp, PresetKind::Kap, PresetKind::Krp,
                                     PresetKind::Kqp};
constexpr size_t kExtensionLength = 4;  // ".kvp" and its siblings

bool Listed(PresetKind kind) {
    return kind != PresetKind::Krp;
}

}  // namespace

std::optional<PresetKind> PresetKindOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint8_t magic[4];
    if (!in.read(reinterpret_cast<char*>(magic), sizeof magic)) return std::nullopt;
    const PresetFormat* format = PresetFormatForMagic(magic);
    if (!format) return std::nullopt;
    return format->kind;
}

bool ScanPresetFolder(const std::string& folder, std::vector<PresetInfoShort>& presets) {
    std::error_code error;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error)) names.push_back(it->path().filename().string());
    }
    if (error) return false;
    std::sort(names.begin(), names.end());
    presets.clear();
    for (PresetKind extensionKind : kScanOrder) {
        for (const std::string& name : names) {
            if (name.size() <= kExtensionLength ||
                !equalsIgnoreCase(name.substr(name.size() - kExtensionLength),
                                  PresetExtension(extensionKind)))
                continue;
            const std::optional<PresetKind> kind = PresetKindOfFile(JoinPath(folder, name));
            if (!kind || !Listed(*kind)) continue;
            presets.push_back({name, name.substr(0, name.size() - kExtensionLength), *kind});
        }
    }
    return true;
}

const char* PresetTypeText(PresetKind kind) {
    switch (kind) {
        case PresetKind::Kvp:
            return "KV5 & KV10";
        case PresetKind::Kap:
            return "Ardo";
        case PresetKind::Krp:
            return "Ardo Raw Proto 2009";
        case PresetKind::Kqp:
            break;
    }
    return "Ardo Raw";
}

const PresetInfoShort* FindPreset(const std::vector<PresetInfoShort>& presets,
                                  const std::string& displayName, PresetKind kind) {
    for (const PresetInfoShort& preset : presets)
        if (preset.kind == kind && preset.displayName == displayName) return &preset;
    return nullptr;
}

}  // namespace qmt
