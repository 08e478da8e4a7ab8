#include "midiagent/ControllerEntries.h"

#include <algorithm>

#include "model/Catalogue.h"

namespace qmt {

namespace {

MappingEntry* entryNamed(Mapping& mapping, const std::string& serial) {
    for (MappingEntry& entry : mapping.entries)
        if (entry.name == serial) return &entry;
    return nullptr;
}

MappingEntry* freeEntryFor(Mapping& mapping, uint32_t modelType) {
    for (MappingEntry& entry : mapping.entries) {
        if (!entry.name.empty()) continue;
        if (entry.type == 0 || PresetClassOf(entry.type) == PresetClassOf(modelType)) return &entry;
    }
    return nullptr;
}

}  // namespace

bool AddControllerEntries(Mapping& mapping, std::vector<ConnectedController> controllers) {
    std::stable_sort(controllers.begin(), controllers.end(),
                     [](const ConnectedController& a, const ConnectedController& b) {
                         return a.serial < b.serial;
                     });
    bool changed = false;
    for (const ConnectedController& controller : controllers) {
        if (entryNamed(mapping, controller.serial) != nullptr) continue;
        if (MappingEntry* entry = freeEntryFor(mapping, controller.modelType)) {
            entry->name = controller.serial;
        } else {
            MappingEntry added;
            added.name = controller.serial;
            added.type = controller.modelType;
            mapping.entries.push_back(std::move(added));
        }
        changed = true;
    }
    return changed;
}

}  // namespace qmt
