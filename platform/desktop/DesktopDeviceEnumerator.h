#pragma once
// The device enumeration a desktop program runs on, chosen once at its start: the
// simulated desktop's controllers (platform/sim/SimulatedDesktop.h) when it simulates, the
// real ones from sysfs and udev otherwise.

#include <memory>

#include "platform/DeviceEnumeratorIf.h"

namespace qmt {

std::unique_ptr<DeviceEnumeratorIf> MakeDesktopDeviceEnumerator(bool simulate);

}  // namespace qmt
