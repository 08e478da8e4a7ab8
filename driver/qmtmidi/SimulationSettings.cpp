#include "driver/qmtmidi/SimulationSettings.h"

#include <stdlib.h>

#include "model/MidiSettings.h"
#include "platform/ControlChannel.h"
#include "platform/FileRegistry.h"

namespace qmt {

bool SimulationSettings::Prepare(std::string& error) {
    std::unique_ptr<FileRegistry> user = FileRegistry::fromEnvironment();
    std::string selected;
    if (user && QuerySelectedMapping(*user, selected)) {
        selectedMapping_ = selected;
        user_ = std::move(user);
        return true;
    }
    return MakeTemporary(error);
}

const std::string& SimulationSettings::folder() const {
    static const std::string none;
    return temporary_ ? temporary_->folder() : none;
}

bool SimulationSettings::MakeTemporary(std::string& error) {
    temporary_ = std::make_unique<FactorySettingsFolder>();
    if (!temporary_->create("qmtmidi", error)) return false;
    selectedMapping_ = temporary_->selectedMapping();
    // The programs this one starts, and its own clients, read the same settings.
    setenv("QMT_REGISTRY_DIR", temporary_->folder().c_str(), 1);
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
