#pragma once
// One controller model as the user-mode programs see it: which device identifiers belong to
// it and how its serial number is read.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/DeviceEnumeratorIf.h"

namespace qmt {

class DeviceModelIf {
  public:
    virtual ~DeviceModelIf() = default;
    // Model type: 1 KV10, 2 KV5, 3 ARDO, 4 ARDO RAW PROTO 2009, 5 KRT4, 6 ARDO RAW.
    virtual uint32_t getType() const = 0;
    virtual const char* getName() const = 0;
    // Case-insensitive tests for the model's audio-interface and HID patterns.
    virtual bool isAudioDevice(const std::string& deviceId) const = 0;
    virtual bool isHidDevice(const std::string& deviceId) const = 0;
    // From the audio device's node, finds the identifier that getSerial needs. Results that
    // need `capacity` characters or more (with the terminator) do not fit and fail.
    virtual bool findControlDevice(DeviceNode audioDevice, std::string& out, size_t capacity) = 0;
    // Reads the serial number behind an identifier; false when it cannot be read.
    virtual bool getSerial(const std::string& deviceId, std::string& out, size_t capacity) = 0;
};

}  // namespace qmt
