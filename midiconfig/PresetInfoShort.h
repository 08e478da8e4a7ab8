#pragma once
// The preset folder as the main window lists it: one entry per preset file whose first four
// bytes name a kind the window offers.

#include <optional>
#include <string>
#include <vector>

#include "model/Preset.h"

namespace qmt {

struct PresetInfoShort {
    std::string fileName;     // with its extension, without the folder
    std::string displayName;  // the file name without its four-character extension
    PresetKind kind = PresetKind::Kvp;
};

// The kind named by a file's magic; nothing when it cannot be read or has another magic.
std::optional<PresetKind> PresetKindOfFile(const std::string& path);

// Lists the files of `folder` with the extensions ".kvp", ".kap", ".krp", ".kqp" (in this
// order, each in any letter case, by name within one extension) whose magic gives KVP, KAP
// or KQP. KRP presets are never offered: no model the window serves uses them. False when
// the folder cannot be read.
bool ScanPresetFolder(const std::string& folder, std::vector<PresetInfoShort>& presets);

// The list view's "Type" text: "KV5 & KV10", "Ardo" or "Ardo Raw".
const char* PresetTypeText(PresetKind kind);

// The entry with this display name and kind, compared exactly; null when there is none.
const PresetInfoShort* FindPreset(const std::vector<PresetInfoShort>& presets,
                                  const std::string& displayName, PresetKind kind);

}  // namespace qmt
