#pragma once
// What the configuration program runs on, chosen once at its start.
//
// The real desktop: the controllers found through sysfs and udev and read through their
// hidraw nodes (beside a running driver: each open node gets its own copy of every report),
// and the user's settings.
//
// The simulated desktop: one virtual controller of each model whose controls a built-in
// script touches one after the other, or the controllers and reports of a session file in
// the `qmtmidi --simulate` format; the settings in a temporary folder with the factory
// presets, unless QMT_REGISTRY_DIR names a folder of the user's own.

#include <memory>
#include <string>

#include "common/ThreadAbs.h"
#include "devices/DeviceRegistry.h"
#include "platform/DeviceEnumeratorIf.h"
#include "platform/HidDevices.h"
#include "platform/Registry.h"

namespace qmt {

class FactorySettingsFolder;
class SimDeviceTree;
class SimHidBus;

class ConfigPlatform {
  public:
    ConfigPlatform();
    ~ConfigPlatform();
    ConfigPlatform(const ConfigPlatform&) = delete;
    ConfigPlatform& operator=(const ConfigPlatform&) = delete;

    // `sessionFile` (simulation only; empty: the built-in script). False with `error`.
    bool start(bool simulate, const std::string& sessionFile, std::string& error);

    RegistryIf& settings() { return *settings_; }
    DeviceRegistry& devices() { return *registry_; }
    HidFileSystemIf& hidFiles() { return *hidFiles_; }
    // The temporary settings folder of a simulation, empty when there is none.
    std::string temporaryFolder() const;

  private:
    bool startSettings(bool simulate, std::string& error);
    bool startSimulation(const std::string& sessionFile, std::string& error);

    std::unique_ptr<FactorySettingsFolder> temporary_;
    std::unique_ptr<RegistryIf> userSettings_;
    RegistryIf* settings_ = nullptr;
    std::unique_ptr<DeviceEnumeratorIf> enumerator_;
    std::unique_ptr<SimHidBus> bus_;
    std::unique_ptr<HidFileSystemIf> hidraw_;
    HidFileSystemIf* hidFiles_ = nullptr;
    std::unique_ptr<DeviceRegistry> registry_;
    // Declared last: its thread stops first, while everything it drives still exists.
    std::unique_ptr<ThreadAbs> player_;
};

}  // namespace qmt
