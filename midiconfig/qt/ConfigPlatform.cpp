#include "midiconfig/qt/ConfigPlatform.h"

#include <cstdio>
#include <fstream>

#include "devices/MidiDeviceModels.h"
#include "midiconfig/SessionTouchPlayer.h"
#include "midiconfig/SimulatedTouchPlayer.h"
#include "platform/FileRegistry.h"
#include "platform/desktop/DesktopDeviceEnumerator.h"
#include "platform/linux/HidrawFileSystem.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimHidBus.h"
#include "platform/sim/SimulatedDesktop.h"
#include "presets/FactorySettingsFolder.h"

namespace qmt {

ConfigPlatform::ConfigPlatform() = default;

ConfigPlatform::~ConfigPlatform() {
    player_.reset();
    registry_.reset();
}

bool ConfigPlatform::start(bool simulate, const std::string& sessionFile, std::string& error) {
    if (!startSettings(simulate, error)) return false;
    if (simulate) {
        if (!startSimulation(sessionFile, error)) return false;
    } else {
        enumerator_ = MakeDesktopDeviceEnumerator(false);
        // A node the user may not read is worth one line: it has an answer (the udev rule).
        hidraw_ = std::make_unique<HidrawFileSystem>([](const std::string& message) {
            std::fprintf(stderr, "qmtmidiconfig: %s\n", message.c_str());
        });
        hidFiles_ = hidraw_.get();
    }
    registry_ = std::make_unique<DeviceRegistry>(*enumerator_, MidiDeviceModels(*enumerator_));
    // Without the change watcher the controllers found now are still listed.
    registry_->initialize();
    if (player_) player_->resume();
    return true;
}

std::string ConfigPlatform::temporaryFolder() const {
    return temporary_ ? temporary_->folder() : std::string();
}

bool ConfigPlatform::startSettings(bool simulate, std::string& error) {
    if (simulate && !std::getenv("QMT_REGISTRY_DIR")) {
        temporary_ = std::make_unique<FactorySettingsFolder>();
        if (!temporary_->create("qmtmidiconfig", error)) return false;
        settings_ = &temporary_->registry();
        return true;
    }
    userSettings_ = FileRegistry::fromEnvironment();
    if (!userSettings_) {
        error = "no folder for the settings (set HOME or XDG_CONFIG_HOME)";
        return false;
    }
    settings_ = userSettings_.get();
    return true;
}

bool ConfigPlatform::startSimulation(const std::string& sessionFile, std::string& error) {
    auto tree = std::make_unique<SimDeviceTree>();
    bus_ = std::make_unique<SimHidBus>();
    hidFiles_ = bus_.get();
    if (sessionFile.empty()) {
        PlugSimulatedDesktop(*tree);
        player_ = std::make_unique<SimulatedTouchPlayer>(*tree, *bus_);
    } else {
        std::ifstream in(sessionFile);
        std::vector<ScriptLine> lines;
        if (!in) {
            error = "cannot open session '" + sessionFile + "'";
            return false;
        }
        if (!SessionTouchPlayer::Parse(in, lines, error)) {
            error = sessionFile + ": " + error;
            return false;
        }
        player_ = std::make_unique<SessionTouchPlayer>(*tree, *bus_, std::move(lines));
    }
    enumerator_ = std::move(tree);
    return true;
}

}  // namespace qmt
