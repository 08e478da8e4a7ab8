#include "midiagent/MappingSelection.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "devices/DeviceRegistry.h"
#include "devices/MidiDeviceModels.h"
#include "midiagent/ControllerEntries.h"
#include "midiagent/MappingSelectionDialog.h"
#include "model/FilePaths.h"
#include "model/Mapping.h"
#include "model/MidiSettings.h"
#include "model/PresetFile.h"

namespace qmt {

namespace {

constexpr const char* kErrorCaption = "Error";
constexpr const char* kFailedToSelect = "Failed to select mapping";
constexpr const char* kNoMappingPath = "Failed to retrieve mapping path";

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The mapping file of a name. Files travel between systems whose names ignore case, so a
// folder holding "Name.KDM" answers for "Name.kdm".
std::string mappingFileOf(const std::string& folder, const std::string& name) {
    const std::string path = JoinPath(folder, name + ".kdm");
    const std::string existing = ResolveFileCaseInsensitive(path);
    return existing.empty() ? path : existing;
}

}  // namespace

MappingSelection::MappingSelection(RegistryIf& registry, MessageBoxIf& messages,
                                   std::function<void()> notifyDriver)
    : registry_(registry), messages_(messages), notifyDriver_(std::move(notifyDriver)) {}

std::optional<std::string> MappingSelection::GetMappingPath() {
    std::string folder;
    if (!QueryMappingPath(registry_, folder)) return std::nullopt;
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

std::optional<std::string> MappingSelection::GetSelectedMapping() {
    std::string path;
    if (!registry_.queryString(selectionHive_, kQmtMidiKey, kSelectedMappingValue, path))
        return std::nullopt;
    return path;
}

bool MappingSelection::SelectMapping(const std::string& name) {
    const std::optional<std::string> folder = GetMappingPath();
    if (!folder) return false;
    const std::string path = mappingFileOf(*folder, name);
    if (path.size() > kMaxSelectedPath) return false;
    if (!registry_.setString(selectionHive_, kQmtMidiKey, kSelectedMappingValue, path))
        return false;
    notifyDriver_();
    return true;
}

bool MappingSelection::SelectDefaultMapping() {
    const std::optional<std::string> folder = GetMappingPath();
    if (!folder || !fileExists(mappingFileOf(*folder, kDefaultMappingName))) return false;
    return SelectMapping(kDefaultMappingName);
}

void MappingSelection::selectOrTell(const std::string& name) {
    if (!SelectMapping(name))
        messages_.show(kErrorCaption, kFailedToSelect, MessageBoxIcon::Warning);
}

void MappingSelection::EnsureMappingSelected(MappingSelectionViewIf& view) {
    const std::optional<std::string> selected = GetSelectedMapping();
    if (selected && fileExists(*selected)) return;
    if (SelectDefaultMapping()) return;
    const MappingList list = ReadMappingList();
    std::vector<std::string> names;
    for (const MappingListEntry& entry : list.entries())
        names.push_back(entry.name);
    MappingSelectionDialog dialog(std::move(names));
    view.run(dialog);
    if (dialog.result() && !dialog.result()->empty()) selectOrTell(*dialog.result());
}

MappingList MappingSelection::ReadMappingList() {
    const std::optional<std::string> selected = GetSelectedMapping();
    std::optional<std::string> selectedName;
    if (selected) selectedName = SelectedMappingNameOf(*selected);
    const std::optional<std::string> folder = GetMappingPath();
    if (!folder) {
        messages_.show(kErrorCaption, kNoMappingPath, MessageBoxIcon::Warning);
        return {};
    }
    return MappingList(MappingNamesInFolder(*folder), selectedName);
}

void MappingSelection::UpdateMappingWithControllers(DeviceEnumeratorIf& devices) {
    const std::optional<std::string> path = GetSelectedMapping();
    if (!path) return;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(*path, bytes, nullptr)) return;
    MappingPtr mapping = ParseMapping(bytes);
    if (!mapping) return;

    std::vector<ConnectedController> controllers;
    {
        DeviceRegistry registry(devices, MidiDeviceModels(devices),
                                DeviceRegistry::ChangeWatch::Notification);
        registry.initialize();
        for (size_t i = 0; i < registry.getNumberOfDevices(); ++i) {
            const DeviceInfo* device = registry.getDevice(i);
            controllers.push_back({device->getSerial(), device->getModel()->getType()});
        }
    }
    if (AddControllerEntries(*mapping, std::move(controllers)))
        SaveFileAtomically(*path, WriteMapping(*mapping));
}

}  // namespace qmt
