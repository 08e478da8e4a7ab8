#pragma once
// What the control panel runs on, chosen once at its start: the simulated desktop's
// controllers and cards (`--simulate` or QMT_SIMULATE=1, the same controllers a simulated
// driver sees) or the system's, and the user's settings in either case.

#include <memory>
#include <string>

#include "platform/AudioCardService.h"
#include "platform/DeviceEnumeratorIf.h"
#include "platform/Registry.h"

namespace qmt {

class PanelWorld {
  public:
    virtual ~PanelWorld() = default;
    virtual DeviceEnumeratorIf& devices() = 0;
    virtual AudioCardServiceIf& cards() = 0;
    RegistryIf& settings() { return *settings_; }

    // Null with the reason in `error` when there is no folder for the settings.
    static std::unique_ptr<PanelWorld> make(bool simulate, std::string& error);

  protected:
    explicit PanelWorld(std::unique_ptr<RegistryIf> settings) : settings_(std::move(settings)) {}

  private:
    std::unique_ptr<RegistryIf> settings_;
};

}  // namespace qmt
