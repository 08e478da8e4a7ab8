#pragma once
// The controllers' HID interfaces as the driver sees them: notification of HID interfaces
// arriving and leaving (existing ones reported at registration), the probe that precedes
// creation, and kernel-style file I/O by interface path. The simulation backend serves
// virtual controllers; the Linux backend serves hidraw through udev. Interface paths keep
// their Windows shape (\\?\HID#VID_F7E1&PID_0300&MI_02#...), so the matching rules hold
// on every backend.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/DeviceClassGuids.h"

namespace qmt {

inline constexpr uint32_t kFileDeviceUnknown = 0x22;

// One open handle on a HID interface.
class HidFileIf {
  public:
    virtual ~HidFileIf() = default;
    // Blocks until one input report arrives (report number first). Fails when the device
    // is gone, when the read is cancelled or when the backend is told to fail it.
    virtual bool Read(std::span<uint8_t> report) = 0;
    // Makes a read in progress (or the next one) fail at once, so a thread stopping the
    // reader never waits for the user to touch the controller.
    virtual void CancelRead() = 0;
    virtual bool Write(std::span<const uint8_t> report) = 0;
    // The HID serial-number request: the device's serial string.
    virtual bool SerialNumber(std::string& serial) = 0;
};

// What the probe learns about the top device of an interface's stack.
struct HidProbe {
    uint32_t deviceType = 0;
    std::string classGuid;  // as the device reports it, with braces
};

class HidFileSystemIf {
  public:
    virtual ~HidFileSystemIf() = default;
    // Null when the path names no present device.
    virtual std::unique_ptr<HidFileIf> Open(const std::string& path, bool forWriting) = 0;
    virtual bool Probe(const std::string& path, HidProbe& probe) = 0;
};

// Plug-and-play notification on the HID interface class.
class HidNotifierIf {
  public:
    using Callback = std::function<void(const std::string& path, bool arrived)>;
    virtual ~HidNotifierIf() = default;
    // Registers the callback and reports every present interface to it as an arrival
    // before returning. Returns a registration id (never 0), or 0 on failure.
    virtual uint64_t Register(Callback callback) = 0;
    // After this returns the callback is not running and will not be called again.
    virtual void Unregister(uint64_t registration) = 0;
};

}  // namespace qmt
