#pragma once
// The KV10 controller. Its audio runs through a separate codec behind a hub inside the
// controller, so the controller is found two levels up from the audio device, and its USB
// instance id carries the serial number.

#include "devices/DeviceModelAbs.h"

namespace qmt {

class QmtKv10DeviceModel final : public DeviceModelAbs {
  public:
    explicit QmtKv10DeviceModel(DeviceEnumeratorIf& devices);

    // Grandparent walk: returns the controller's own USB instance id.
    bool findControlDevice(DeviceNode audioDevice, std::string& out, size_t capacity) override;
    // From a USB instance id: the text after its last backslash, up to the first '_'.
    // A HID interface path carries no serial in its text (its last backslash is the one of
    // the "\\?\" prefix), so for one of those the HID serial-number string is read instead.
    bool getSerial(const std::string& deviceId, std::string& out, size_t capacity) override;
};

}  // namespace qmt
