#pragma once
// A throw-away settings folder for simulations: the factory presets and mapping in its
// "presets" subfolder, and the registry's two files in the folder itself, with "Preset Path"
// and "Mapping Path" naming the presets and "Selected Mapping" the factory mapping. A program
// that points QMT_REGISTRY_DIR at the folder lets the programs it starts read the same
// settings. The folder goes, with everything in it, when the object does.

#include <memory>
#include <string>

#include "platform/Registry.h"

namespace qmt {

class FactorySettingsFolder {
  public:
    FactorySettingsFolder() = default;
    ~FactorySettingsFolder();
    FactorySettingsFolder(const FactorySettingsFolder&) = delete;
    FactorySettingsFolder& operator=(const FactorySettingsFolder&) = delete;

    // Makes the folder under the system's temporary folder, its name starting with `prefix`.
    bool create(const std::string& prefix, std::string& error);

    RegistryIf& registry() { return *registry_; }
    const std::string& folder() const { return folder_; }
    const std::string& presetFolder() const { return presetFolder_; }
    const std::string& selectedMapping() const { return selectedMapping_; }

  private:
    std::unique_ptr<RegistryIf> registry_;
    std::string folder_;
    std::string presetFolder_;
    std::string selectedMapping_;
};

}  // namespace qmt
