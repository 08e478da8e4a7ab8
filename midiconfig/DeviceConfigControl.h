#pragma once
// One row of the main window's device list: a controller's model, serial number and
// connection, the preset of each of its model's slots and the slots' channels. The row keeps
// its own copy of the controller's mapping entry; the main window copies it back when it
// commits the rows. The row's preset lists hold "None" and the listed presets of each slot's
// kind; which lists and labels show follows the model's preset kind.
//
// User-interface thread only.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midiconfig/ControllerInfo.h"
#include "midiconfig/PresetInfoShort.h"

namespace qmt {

class DeviceConfigControl {
  public:
    enum class Column : uint8_t { Left, Right };

    class ViewIf {
      public:
        virtual ~ViewIf() = default;
        // Something the row shows changed: labels, visible lists, items or selections.
        virtual void refresh() = 0;
    };

    // A preset name of this length or longer does not fit the row's text buffer: the slot
    // is cleared instead.
    static constexpr size_t kMaxPresetNameLength = 520;
    static constexpr const char* kNone = "None";

    DeviceConfigControl(uint32_t type, std::string serial);

    void setView(ViewIf* view) { view_ = view; }

    const ControllerInfo& info() const { return info_; }
    const std::string& serial() const { return info_.serial; }
    uint32_t type() const { return info_.type; }
    void setType(uint32_t type);
    bool connected() const { return connected_; }
    void setConnected(bool connected);
    // Only a controller that is not connected may leave the list.
    bool canRemove() const { return !connected_; }

    // Fills every slot's list with "None" and the presets of the slot's kind.
    void fill(const std::vector<PresetInfoShort>& presets);
    // A new preset joins the lists of its kind in alphabetical order (ignoring case).
    void insertPreset(PresetKind kind, const std::string& name);
    // A preset left the folder: it leaves the lists, and a slot that named it shows "None".
    // True when a slot named it.
    bool removePreset(PresetKind kind, const std::string& name);
    // A renamed preset: the new name goes to the end of the lists, and a slot that named the
    // old one names the new one. True when a slot named it.
    bool renamePreset(PresetKind kind, const std::string& oldName, const std::string& newName);

    // Takes the entry's presets and channels (model type and serial stay the row's).
    void load(const ControllerInfo& entry);

    // The user's choices: list index `index` of a slot's preset list (0 "None"), or of a
    // column's channel list (0 "Omni", 1 to 16).
    void selectPreset(int slot, int index);
    void selectChannel(Column column, int index);

    // What the row shows.
    std::optional<PresetKind> kind() const;
    const char* modelName() const;
    static const char* leftPresetLabel() { return "Preset (Orange)"; }
    const char* rightPresetLabel() const;
    bool columnVisible(Column column) const { return slotOf(column) >= 0; }
    // The slot a column edits for the row's kind; -1 when the column is hidden.
    int slotOf(Column column) const;
    const std::vector<std::string>& presetItems(int slot) const { return items_[slot]; }
    // The list index of the slot's preset: 0 for none, -1 when its name is not listed.
    int presetSelection(int slot) const;
    // The list index of the column's channel; -1 when the column is hidden.
    int channelSelection(Column column) const;

  private:
    void changed();

    ControllerInfo info_;
    bool connected_ = false;
    std::array<std::vector<std::string>, kMappingSlots> items_;
    ViewIf* view_ = nullptr;
};

}  // namespace qmt
