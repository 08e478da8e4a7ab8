#pragma once
// Which mapping the driver uses, as the agent keeps it: the folder of the mapping files
// ("Mapping Path", the user's own first, then the machine's), the selection ("Selected
// Mapping", the user's), choosing a mapping (stored, then the driver is told to reload), the
// start-up check that some mapping is selected, and the start-up pass that gives every
// connected controller an entry in the selected mapping.
//
// Single-threaded: the agent's main thread.

#include <functional>
#include <optional>
#include <string>

#include "midiagent/MappingList.h"
#include "platform/DeviceEnumeratorIf.h"
#include "platform/MessageBoxIf.h"
#include "platform/Registry.h"

namespace qmt {

class MappingSelectionViewIf;

class MappingSelection {
  public:
    static constexpr const char* kDefaultMappingName = "TraktorPro 1.2 - Single Controller";
    // A stored selection path is at most this long.
    static constexpr size_t kMaxSelectedPath = 519;

    // `notifyDriver` tells the running driver to reload (NotifyMidiDriver).
    MappingSelection(RegistryIf& registry, MessageBoxIf& messages,
                     std::function<void()> notifyDriver);

    // Windows 2000 (version 5.0) kept the selection in the machine hive. No Linux system is
    // such a system, so the switch is off unless a test turns it on.
    void setSelectionInMachineHive(bool on) {
        selectionHive_ = on ? Hive::LocalMachine : Hive::CurrentUser;
    }
    Hive selectionHive() const { return selectionHive_; }

    // The mapping folder without one trailing '\' or '/'; nothing when it is not set.
    std::optional<std::string> GetMappingPath();
    // The stored selection's full path; nothing when none is stored.
    std::optional<std::string> GetSelectedMapping();
    // Stores "<mapping folder>/<name>.kdm" as the selection and tells the driver. False (and
    // the driver is not told) when the folder is unknown or the value cannot be stored.
    bool SelectMapping(const std::string& name);
    // Selects the default mapping when its file is in the mapping folder.
    bool SelectDefaultMapping();
    // Start-up check: keeps a selection whose file exists, else selects the default mapping,
    // else asks with the selection dialog shown by `view`.
    void EnsureMappingSelected(MappingSelectionViewIf& view);
    // The mapping files of the folder with the selection marked. Without a folder setting
    // the user is told and the list is empty.
    MappingList ReadMappingList();
    // Start-up pass: one enumeration of the connected controllers on `devices`; the ones the
    // selected mapping does not name get an entry, and a changed mapping is saved.
    void UpdateMappingWithControllers(DeviceEnumeratorIf& devices);

    // SelectMapping, telling the user when it fails.
    void selectOrTell(const std::string& name);

  private:
    RegistryIf& registry_;
    MessageBoxIf& messages_;
    std::function<void()> notifyDriver_;
    Hive selectionHive_ = Hive::CurrentUser;
};

}  // namespace qmt
