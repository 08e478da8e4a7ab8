#include "midiconfig/DeviceConfigControl.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "model/Catalogue.h"
#include "model/PresetKinds.h"

namespace qmt {

namespace {

// Right column: the kind's first slot for KVP (its only one), else its second.
int RightSlot(PresetKind kind) {
    switch (kind) {
        case PresetKind::Kvp:
            return 0;
        case PresetKind::Kap:
            return 2;
        case PresetKind::Krp:
            return 4;
        case PresetKind::Kqp:
            break;
    }
    return 6;
}

}  // namespace

DeviceConfigControl::DeviceConfigControl(uint32_t type, std::string serial)
    : info_(type, std::move(serial)) {
    for (auto& items : items_)
        items.assign(1, kNone);
}

void DeviceConfigControl::setType(uint32_t type) {
    info_.type = type;
    changed();
}

void DeviceConfigControl::setConnected(bool connected) {
    connected_ = connected;
    changed();
}

void DeviceConfigControl::fill(const std::vector<PresetInfoShort>& presets) {
    for (auto& items : items_)
        items.assign(1, kNone);
    for (const PresetInfoShort& preset : presets)
        insertPreset(preset.kind, preset.displayName);
}

void DeviceConfigControl::insertPreset(PresetKind kind, const std::string& name) {
    for (int slot = 0; slot < kMappingSlots; ++slot) {
        if (SlotPresetKind(slot) != kind) continue;
        std::vector<std::string>& items = items_[slot];
        if (std::find(items.begin() + 1, items.end(), name) != items.end()) continue;
        const auto at = std::find_if(items.begin() + 1, items.end(), [&](const std::string& item) {
            return compareIgnoreCase(item, name) > 0;
        });
        items.insert(at, name);
    }
    changed();
}

bool DeviceConfigControl::removePreset(PresetKind kind, const std::string& name) {
    bool named = false;
    for (int slot = 0; slot < kMappingSlots; ++slot) {
        if (SlotPresetKind(slot) != kind) continue;
        std::vector<std::string>& items = items_[slot];
        items.erase(std::remove(items.begin() + 1, items.end(), name), items.end());
        if (info_.presets[slot] == name) {
            info_.presets[slot].clear();
            named = true;
        }
    }
    changed();
    return named;
}

bool DeviceConfigControl::renamePreset(PresetKind kind, const std::string& oldName,
                                       const std::string& newName) {
    bool named = false;
    for (int slot = 0; slot < kMappingSlots; ++slot) {
        if (SlotPresetKind(slot) != kind) continue;
        std::vector<std::string>& items = items_[slot];
        const auto old = std::find(items.begin() + 1, items.end(), oldName);
        if (old != items.end()) items.erase(old);
        items.push_back(newName);
        if (info_.presets[slot] == oldName) {
            info_.presets[slot] = newName;
            named = true;
        }
    }
    changed();
    return named;
}

void DeviceConfigControl::load(const ControllerInfo& entry) {
    info_.presets = entry.presets;
    info_.defaultChannels = entry.defaultChannels;
    info_.inputChannels = entry.inputChannels;
    changed();
}

void DeviceConfigControl::selectPreset(int slot, int index) {
    if (slot < 0 || slot >= kMappingSlots || index < 0 || index >= int(items_[slot].size())) return;
    const std::string& text = items_[slot][index];
    info_.presets[slot] = index == 0 || text.size() >= kMaxPresetNameLength ? "" : text;
}

void DeviceConfigControl::selectChannel(Column column, int index) {
    const int slot = slotOf(column);
    if (slot < 0 || index < 0 || index >= kChannelIndexCount) return;
    info_.defaultChannels[slot] = static_cast<uint8_t>(index);
    info_.inputChannels[slot] = static_cast<uint8_t>(index);
}

std::optional<PresetKind> DeviceConfigControl::kind() const {
    return PresetKindOfModel(info_.type);
}

const char* DeviceConfigControl::modelName() const {
    switch (info_.type) {
        case kModelKv10:
            return "KV10";
        case kModelKv5:
            return "KV5";
        case kModelArdo:
            return "ARDO";
        case kModelArdoRawProto2009:
            return "ARDO Raw Proto 2009";
        case kModelArdoRaw:
            return "ARDO Raw";
        default:
            return "???";
    }
}

const char* DeviceConfigControl::rightPresetLabel() const {
    return kind() == PresetKind::Kvp ? "Preset" : "Preset (Green)";
}

int DeviceConfigControl::slotOf(Column column) const {
    const std::optional<PresetKind> rowKind = kind();
    if (!rowKind) return -1;
    if (column == Column::Right) return RightSlot(*rowKind);
    return *rowKind == PresetKind::Kvp ? -1 : RightSlot(*rowKind) - 1;
}

int DeviceConfigControl::presetSelection(int slot) const {
    const std::string& name = info_.presets[slot];
    if (name.empty()) return 0;
    const auto& items = items_[slot];
    const auto found = std::find(items.begin() + 1, items.end(), name);
    return found == items.end() ? -1 : int(found - items.begin());
}

int DeviceConfigControl::channelSelection(Column column) const {
    const int slot = slotOf(column);
    return slot < 0 ? -1 : info_.inputChannels[slot];
}

void DeviceConfigControl::changed() {
    if (view_) view_->refresh();
}

}  // namespace qmt
