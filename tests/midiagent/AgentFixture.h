#pragma once
// An agent's world in a temporary folder: the two registry hives, a mapping folder, a data
// home, the autostart folder and a private runtime folder for the single-instance socket;
// message boxes answered by script; the driver's reload notices counted.

#include <string>
#include <vector>

#include "midiagent/MappingSelection.h"
#include "midiagent/MappingSelectionDialog.h"
#include "model/Mapping.h"
#include "model/PresetFile.h"
#include "platform/FileRegistry.h"
#include "platform/sim/ScriptedMessageBox.h"
#include "tests/platform/TempFolder.h"

namespace qmt {

// Answers the selection dialog: picks an item (or not), then presses OK or Cancel.
class ScriptedSelectionView : public MappingSelectionViewIf {
  public:
    int pick = -1;
    bool ok = true;
    std::vector<std::string> offered;
    int runs = 0;

    void run(MappingSelectionDialog& dialog) override {
        ++runs;
        offered = dialog.items();
        dialog.choose(pick);
        ok ? dialog.accept() : dialog.cancel();
    }
};

class AgentFixture {
  protected:
    AgentFixture()
        : registry(folder.file("user.reg"), folder.file("machine.reg")),
          mappingFolder(folder.file("mappings")),
          selection(registry, messages, [this] { ++reloads; }) {
        std::filesystem::create_directories(mappingFolder);
        registry.setString(Hive::LocalMachine, kQmtMidiKey, kMappingPathValue, mappingFolder + "/");
    }

    // A mapping file with the given entries (serial, type) and nothing in their slots.
    std::string writeMapping(const std::string& fileName,
                             const std::vector<std::pair<std::string, uint32_t>>& entries = {
                                 {"", 0}}) {
        Mapping mapping;
        for (const auto& [serial, type] : entries) {
            MappingEntry entry;
            entry.name = serial;
            entry.type = type;
            mapping.entries.push_back(std::move(entry));
        }
        const std::string path = mappingFolder + "/" + fileName;
        SaveFileAtomically(path, WriteMapping(mapping));
        return path;
    }

    std::string selected() {
        std::string path;
        registry.queryString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, path);
        return path;
    }

    TempFolder folder;
    FileRegistry registry;
    std::string mappingFolder;
    ScriptedMessageBox messages;
    ScriptedSelectionView view;
    int reloads = 0;
    MappingSelection selection;
};

}  // namespace qmt
