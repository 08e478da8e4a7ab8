#include "model/MidiSettings.h"

#include "platform/Registry.h"

namespace qmt {

bool QueryUserOrMachineString(RegistryIf& registry, const char* valueName, std::string& value) {
    for (const Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
        std::string text;
        if (registry.queryString(hive, kQmtMidiKey, valueName, text) && !text.empty()) {
            value = text;
            return true;
        }
    }
    return false;
}

bool QueryPresetPath(RegistryIf& registry, std::string& folder) {
    return QueryUserOrMachineString(registry, kPresetPathValue, folder);
}

bool QueryMappingPath(RegistryIf& registry, std::string& folder) {
    return QueryUserOrMachineString(registry, kMappingPathValue, folder);
}

bool QuerySelectedMapping(RegistryIf& registry, std::string& path) {
    return QueryUserOrMachineString(registry, kSelectedMappingValue, path);
}

}  // namespace qmt
