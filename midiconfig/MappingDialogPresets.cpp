// The main window's preset list: scanning the preset folder, and the list's commands (new,
// edit, delete, rename, duplicate).

#include <filesystem>
#include <system_error>

#include "midiconfig/MappingDialog.h"
#include "model/FilePaths.h"
#include "model/PresetDocument.h"
#include "model/PresetFile.h"
#include "platform/AtomicFile.h"

namespace qmt {

namespace {

bool SamePreset(const PresetInfoShort& a, const PresetInfoShort& b) {
    return a.kind == b.kind && a.fileName == b.fileName;
}

const PresetInfoShort* FindSame(const std::vector<PresetInfoShort>& list,
                                const PresetInfoShort& preset) {
    for (const PresetInfoShort& p : list)
        if (SamePreset(p, preset)) return &p;
    return nullptr;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error) || error;
}

}  // namespace

// Presets that left the folder leave every row's lists (a row that used one is changed);
// new presets join them. Presets still there keep their display names.
void MappingDialog::scanPresetFolder() {
    std::string folder;
    if (!presetFolder(folder)) return;
    std::vector<PresetInfoShort> scanned;
    if (!ScanPresetFolder(folder, scanned)) {
        warn("Failed to read the preset folder '" + folder + "'");
        return;
    }
    for (const PresetInfoShort& old : presets_) {
        if (FindSame(scanned, old)) continue;
        for (const auto& row : rows_)
            if (row->removePreset(old.kind, old.displayName)) modified_ = true;
    }
    for (PresetInfoShort& preset : scanned) {
        if (const PresetInfoShort* old = FindSame(presets_, preset)) {
            preset.displayName = old->displayName;
            continue;
        }
        for (const auto& row : rows_)
            row->insertPreset(preset.kind, preset.displayName);
    }
    presets_ = std::move(scanned);
    if (view_) view_->presetListChanged();
}

const PresetInfoShort* MappingDialog::listed(const std::string& fileName) const {
    for (const PresetInfoShort& preset : presets_)
        if (preset.fileName == fileName) return &preset;
    return nullptr;
}

void MappingDialog::newPreset(PresetKind kind) {
    view_->runEditor(nullptr, kind);
    scanPresetFolder();
}

void MappingDialog::editPreset(const std::string& fileName) {
    const PresetInfoShort* preset = listed(fileName);
    std::string folder;
    if (!preset || !presetFolder(folder)) return;
    const std::string path = JoinPath(folder, fileName);
    if (path.size() > kMaxPresetPath) return;
    view_->runEditor(&path, preset->kind);
    scanPresetFolder();
}

void MappingDialog::deletePreset(const std::string& fileName) {
    const PresetInfoShort* preset = listed(fileName);
    if (!preset) return;
    if (services_.messages.show(
            "Remove preset",
            "Are you sure that you want to remove preset '" + preset->displayName + "'?",
            MessageBoxIcon::Question, MessageBoxButtons::YesNo) != MessageBoxAnswer::Yes)
        return;
    std::string folder;
    if (!presetFolder(folder)) return;
    std::error_code error;
    if (!std::filesystem::remove(JoinPath(folder, fileName), error)) {
        warn("Failed to remove preset");
        return;
    }
    scanPresetFolder();
}

void MappingDialog::renamePreset(const std::string& fileName) {
    const PresetInfoShort* found = listed(fileName);
    if (!found) return;
    const PresetInfoShort preset = *found;
    PresetNameDialog dialog(PresetNameDialog::Purpose::Rename, presets_, preset,
                            preset.displayName);
    if (!view_->runNameDialog(dialog) || !dialog.okEnabled()) return;
    const std::string newName = dialog.text();
    if (newName == preset.displayName) return;  // "Ok" without a change is a cancel
    std::string folder;
    if (!presetFolder(folder)) return;
    const std::string from = JoinPath(folder, fileName);
    const std::string to = JoinPath(folder, newName + PresetExtension(preset.kind));
    if (to.size() > kMaxRenamedPath) return;
    // A file of that name that the list does not show (another kind's magic, unreadable)
    // is kept: nothing is overwritten unasked.
    std::error_code error;
    if (Exists(to) || (std::filesystem::rename(from, to, error), error)) {
        warn("Failed to rename preset");
        return;
    }
    for (const auto& row : rows_)
        if (row->renamePreset(preset.kind, preset.displayName, newName)) modified_ = true;
    for (ControllerInfo& entry : entries_) {
        if (!entry.serial.empty()) continue;  // entries with rows follow their rows
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            if (SlotPresetKind(slot) != preset.kind || entry.presets[slot] != preset.displayName)
                continue;
            entry.presets[slot] = newName;
            modified_ = true;
        }
    }
    for (PresetInfoShort& p : presets_) {
        if (!SamePreset(p, preset)) continue;
        p.fileName = FileNameOf(to);
        p.displayName = newName;
    }
    if (view_) view_->presetListChanged();
    scanPresetFolder();
}

void MappingDialog::duplicatePreset(const std::string& fileName) {
    const PresetInfoShort* found = listed(fileName);
    if (!found) return;
    const PresetInfoShort source = *found;
    PresetNameDialog dialog(PresetNameDialog::Purpose::Duplicate, presets_, source,
                            DuplicateNameFor(presets_, source.displayName));
    if (!view_->runNameDialog(dialog) || !dialog.okEnabled()) return;
    std::string folder;
    if (!presetFolder(folder)) return;
    const std::string target = JoinPath(folder, dialog.text() + PresetExtension(source.kind));
    if (target.size() > kMaxRenamedPath) return;
    const std::unique_ptr<PresetDocument> document =
        PresetDocument::load(JoinPath(folder, fileName));
    std::vector<uint8_t> bytes;
    if (!document || Exists(target) || !document->serialize(bytes) ||
        !ReplaceFileAtomically(target, bytes))
        warn("Failed to duplicate preset");
    scanPresetFolder();
}

}  // namespace qmt
