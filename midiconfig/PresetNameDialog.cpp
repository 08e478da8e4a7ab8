#include "midiconfig/PresetNameDialog.h"

#include <algorithm>

namespace qmt {

PresetNameDialog::PresetNameDialog(Purpose purpose, const std::vector<PresetInfoShort>& presets,
                                   const PresetInfoShort& preset, std::string initialName)
    : purpose_(purpose), presets_(presets), oldName_(preset.displayName), kind_(preset.kind) {
    setText(initialName);
}

const char* PresetNameDialog::caption() const {
    return purpose_ == Purpose::Rename ? "Rename preset" : "Duplicate preset";
}

void PresetNameDialog::setText(const std::string& text) {
    text_ = text.substr(0, kMaxNameLength);
}

bool PresetNameDialog::nameTaken() const {
    if (purpose_ == Purpose::Rename && text_ == oldName_) return false;
    return FindPreset(presets_, text_, kind_) != nullptr;
}

// The name becomes a file name in the preset folder: a separator would put the file
// somewhere else.
bool PresetNameDialog::fitsFileSystem() const {
    return text_.find_first_of("/\\") == std::string::npos;
}

bool PresetNameDialog::valid() const {
    return !nameTaken() && fitsFileSystem();
}

bool PresetNameDialog::okEnabled() const {
    return valid() && !text_.empty();
}

std::string PresetNameDialog::prompt() const {
    std::string text;
    if (nameTaken())
        text = "Preset with name '" + text_ + "' already exists";
    else if (!fitsFileSystem())
        text = "A preset name cannot contain '/' or '\\'";
    else
        text = purpose_ == Purpose::Rename ? "Input new name for the preset"
                                           : "Input name for the new preset";
    return text.substr(0, kMaxPromptLength);
}

std::string DuplicateNameFor(const std::vector<PresetInfoShort>& presets,
                             const std::string& displayName) {
    const auto listed = [&](const std::string& name) {
        return std::any_of(presets.begin(), presets.end(),
                           [&](const PresetInfoShort& p) { return p.displayName == name; });
    };
    std::string name = "Copy of " + displayName;
    for (unsigned n = 2; listed(name); ++n)
        name = "Copy of " + displayName + "(" + std::to_string(n) + ")";
    return name;
}

}  // namespace qmt
