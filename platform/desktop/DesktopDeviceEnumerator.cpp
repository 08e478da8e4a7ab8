#include "platform/desktop/DesktopDeviceEnumerator.h"

#include "platform/linux/LinuxDeviceEnumerator.h"
#include "platform/sim/SimulatedDesktop.h"

namespace qmt {

std::unique_ptr<DeviceEnumeratorIf> MakeDesktopDeviceEnumerator(bool simulate) {
    if (!simulate) return std::make_unique<LinuxDeviceEnumerator>();
    auto tree = std::make_unique<SimDeviceTree>();
    PlugSimulatedDesktop(*tree);
    return tree;
}

}  // namespace qmt
