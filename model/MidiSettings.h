#pragma once
// The MIDI programs' folder and selection settings under Software\QMT\QMTMIDI. Each user runs
// the driver for themselves and may keep folders of their own, so every value is looked up
// in the user's hive first and then in the machine's. An empty value counts as unset.

#include <string>

namespace qmt {

class RegistryIf;

bool QueryUserOrMachineString(RegistryIf& registry, const char* valueName, std::string& value);

// "Preset Path": the folder of the preset files.
bool QueryPresetPath(RegistryIf& registry, std::string& folder);
// "Mapping Path": the folder of the mapping files, as stored.
bool QueryMappingPath(RegistryIf& registry, std::string& folder);
// "Selected Mapping": the full path of the mapping the driver uses.
bool QuerySelectedMapping(RegistryIf& registry, std::string& path);

}  // namespace qmt
