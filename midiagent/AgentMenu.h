#pragma once
// The tray menu as data: what the view shows, in order, and the command each item sends
// back. Built anew each time the menu opens, so it always shows the folder and the settings
// as they are.

#include <cstdint>
#include <string>
#include <vector>

#include "midiagent/MappingList.h"

namespace qmt {

inline constexpr int kExitCommand = 256;
inline constexpr int kShowEditorCommand = 257;
inline constexpr int kEnableAutorunCommand = 258;
inline constexpr int kDisableAutorunCommand = 259;
// Mapping number i of the list is command kFirstMappingCommand + i.
inline constexpr int kFirstMappingCommand = 260;

// Submenu labels are cut to this many characters.
inline constexpr size_t kMaxSubmenuLabel = 259;

struct AgentMenuItem {
    enum class Kind : uint8_t { Command, Submenu, Separator };
    Kind kind = Kind::Command;
    std::string label;
    int command = 0;  // Command items
    bool checked = false;
    bool isDefault = false;            // drawn bold; what a double click on the icon does
    std::vector<AgentMenuItem> items;  // Submenu items
};

using AgentMenu = std::vector<AgentMenuItem>;

// One item per mapping, in list order: a group of two or more becomes a submenu labelled
// with its prefix (checked when it holds the selected mapping) whose items are the rest of
// each name; every other name is a plain item. Checked items are the selected mapping.
void AppendMappingItems(const MappingList& list, AgentMenu& menu);

// The whole tray menu: the mappings, a separator, "Show editor" (the default item), "Disable
// autorun" or "Enable autorun", "Exit".
AgentMenu BuildTrayMenu(const MappingList& list, bool autorunEnabled);

}  // namespace qmt
