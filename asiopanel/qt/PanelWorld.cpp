#include "asiopanel/qt/PanelWorld.h"

#include "platform/FileRegistry.h"
#include "platform/linux/AlsaAudioCards.h"
#include "platform/linux/LinuxDeviceEnumerator.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimulatedDesktop.h"

namespace qmt {

namespace {

// The panel only lists the cards and reads which formats they take; it never streams, so the
// simulated cards need no clock running.
class SimulatedPanelWorld final : public PanelWorld {
  public:
    explicit SimulatedPanelWorld(std::unique_ptr<RegistryIf> settings)
        : PanelWorld(std::move(settings)), cards_(tree_) {
        PlugSimulatedDesktop(tree_);
    }
    DeviceEnumeratorIf& devices() override { return tree_; }
    AudioCardServiceIf& cards() override { return cards_; }

  private:
    SimDeviceTree tree_;
    SimAudioCards cards_;
};

class SystemPanelWorld final : public PanelWorld {
  public:
    explicit SystemPanelWorld(std::unique_ptr<RegistryIf> settings)
        : PanelWorld(std::move(settings)) {}
    DeviceEnumeratorIf& devices() override { return devices_; }
    AudioCardServiceIf& cards() override { return cards_; }

  private:
    LinuxDeviceEnumerator devices_;
    AlsaAudioCards cards_;
};

}  // namespace

std::unique_ptr<PanelWorld> PanelWorld::make(bool simulate, std::string& error) {
    std::unique_ptr<RegistryIf> settings = FileRegistry::fromEnvironment();
    if (!settings) {
        error = "no folder for the settings (set HOME or QMT_REGISTRY_DIR)";
        return nullptr;
    }
    if (simulate) return std::make_unique<SimulatedPanelWorld>(std::move(settings));
    return std::make_unique<SystemPanelWorld>(std::move(settings));
}

}  // namespace qmt
