#include "driver/qmtmidi/SimulationSettings.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "model/FilePaths.h"
#include "model/MidiSettings.h"
#include "model/PresetFile.h"
#include "platform/ControlChannel.h"
#include "platform/FileRegistry.h"
#include "presets/FactoryPresets.h"

namespace qmt {

SimulationSettings::~SimulationSettings() {
    registry_.reset();
    if (folder_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool SimulationSettings::Prepare(std::string& error) {
    std::unique_ptr<FileRegistry> user = FileRegistry::fromEnvironment();
    std::string selected;
    if (user && QuerySelectedMapping(*user, selected)) {
        selectedMapping_ = selected;
        registry_ = std::move(user);
        return true;
    }
    return MakeTemporary(error);
}

bool SimulationSettings::MakeTemporary(std::string& error) {
    std::string pattern = (std::filesystem::temp_directory_path() / "qmtmidi-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a temporary folder";
        return false;
    }
    folder_ = pattern;
    const std::string presets = JoinPath(folder_, "presets");
    ::mkdir(presets.c_str(), 0700);
    if (!WriteFactorySet(presets, &error, &selectedMapping_)) return false;
    setenv("QMT_REGISTRY_DIR", folder_.c_str(), 1);
    std::unique_ptr<FileRegistry> registry = FileRegistry::fromEnvironment();
    if (!registry ||
        !registry->setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, presets) ||
        !registry->setString(Hive::LocalMachine, kQmtMidiKey, kMappingPathValue, presets) ||
        !registry->setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue,
                             selectedMapping_)) {
        error = "cannot write the temporary registry in " + folder_;
        return false;
    }
    registry_ = std::move(registry);
    return true;
}

std::string ChooseControlSocket(const std::string& fallbackFolder) {
    const std::string standard = DefaultControlSocketPath();
    if (!standard.empty() && !ControlServerListening(standard)) return standard;
    if (fallbackFolder.empty()) return standard;
    setenv("XDG_RUNTIME_DIR", fallbackFolder.c_str(), 1);
    return DefaultControlSocketPath();
}

}  // namespace qmt
