#pragma once
// The settings a simulated driver reads: the user's registry when it already selects a
// mapping, otherwise a temporary registry with the factory presets and the default
// mapping selected. The temporary folder also holds the control socket when the user's
// runtime folder has none to offer; it is removed when the settings go.

#include <memory>
#include <string>

#include "platform/Registry.h"
#include "presets/FactorySettingsFolder.h"

namespace qmt {

class SimulationSettings {
  public:
    bool Prepare(std::string& error);
    RegistryIf& registry() { return temporary_ ? temporary_->registry() : *user_; }
    const std::string& selectedMapping() const { return selectedMapping_; }
    const std::string& folder() const;
    bool usesUserRegistry() const { return temporary_ == nullptr; }

  private:
    bool MakeTemporary(std::string& error);

    std::unique_ptr<RegistryIf> user_;
    std::unique_ptr<FactorySettingsFolder> temporary_;
    std::string selectedMapping_;
};

// Where the simulated driver listens: the runtime folder's socket when it is free,
// otherwise one in `fallbackFolder` (and the process's runtime folder then points there,
// so its own clients find it).
std::string ChooseControlSocket(const std::string& fallbackFolder);

}  // namespace qmt
