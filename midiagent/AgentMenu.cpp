#include "midiagent/AgentMenu.h"

#include <map>

namespace qmt {

namespace {

AgentMenuItem commandItem(std::string label, int command, bool checked = false) {
    AgentMenuItem item;
    item.label = std::move(label);
    item.command = command;
    item.checked = checked;
    return item;
}

}  // namespace

void AppendMappingItems(const MappingList& list, AgentMenu& menu) {
    // Leader index -> its submenu's place in `menu`.
    std::map<size_t, size_t> submenus;
    for (size_t i = 0; i < list.size(); ++i) {
        const MappingListEntry& entry = list[i];
        if (entry.leader == i && entry.memberCount > 1) {
            AgentMenuItem submenu;
            submenu.kind = AgentMenuItem::Kind::Submenu;
            submenu.label = list.prefixOf(i).substr(0, kMaxSubmenuLabel);
            submenu.checked = entry.groupHasSelected;
            submenus[i] = menu.size();
            menu.push_back(std::move(submenu));
        }
        const int command = kFirstMappingCommand + static_cast<int>(i);
        const auto submenu = submenus.find(entry.leader);
        if (submenu != submenus.end()) {
            menu[submenu->second].items.push_back(
                commandItem(list.memberTextOf(i), command, entry.selected));
        } else {
            menu.push_back(commandItem(entry.name, command, entry.selected));
        }
    }
}

AgentMenu BuildTrayMenu(const MappingList& list, bool autorunEnabled) {
    AgentMenu menu;
    AppendMappingItems(list, menu);
    AgentMenuItem separator;
    separator.kind = AgentMenuItem::Kind::Separator;
    menu.push_back(separator);
    AgentMenuItem editor = commandItem("Show editor", kShowEditorCommand);
    editor.isDefault = true;
    menu.push_back(editor);
    menu.push_back(autorunEnabled ? commandItem("Disable autorun", kDisableAutorunCommand)
                                  : commandItem("Enable autorun", kEnableAutorunCommand));
    menu.push_back(commandItem("Exit", kExitCommand));
    return menu;
}

}  // namespace qmt
