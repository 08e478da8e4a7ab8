#pragma once
// The factory preset set: one preset per preset kind that gives every control of its
// models a message, and the mapping that serves one controller of each model.

#include <string>
#include <vector>

#include "model/Mapping.h"
#include "model/Preset.h"

namespace qmt {

struct FactoryPreset {
    std::string name;  // file name without extension
    Preset preset;
};

// The presets, one per kind (KVP, KAP, KRP, KQP).
std::vector<FactoryPreset> FactoryPresets();

// The default mapping's file name and contents (presets referenced by name only).
inline constexpr const char* kFactoryMappingName = "TraktorPro 1.2 - Single Controller.kdm";
Mapping FactoryMapping();

// Writes every factory preset and the default mapping into `folder` (which must exist),
// replacing files of the same names. On failure `error` names the file and the problem.
// `mappingPath`, when given, receives the written mapping's path.
bool WriteFactorySet(const std::string& folder, std::string* error = nullptr,
                     std::string* mappingPath = nullptr);

// A Markdown table of what each control of a preset sends.
std::string DescribePresetMarkdown(const FactoryPreset& preset);

}  // namespace qmt
