#pragma once
// Shared part of the device models: the pattern tests, the parent walk through the device
// tree that most models use, and the serial read over the HID serial-number request.

#include "devices/DeviceModelIf.h"

namespace qmt {

// What tells one model apart; see the model classes for the values.
struct DeviceModelPatterns {
    uint32_t type;
    const char* name;
    const char* hidPattern;
    const char* audioPattern;
    // Instance-id text of the composite's child that carries the HID device.
    const char* controlTarget;
    // HID pattern with the interface number, used to build the interface path.
    const char* hidInterfacePattern;
};

class DeviceModelAbs : public DeviceModelIf {
  public:
    uint32_t getType() const override { return patterns_.type; }
    const char* getName() const override { return patterns_.name; }
    bool isAudioDevice(const std::string& deviceId) const override;
    bool isHidDevice(const std::string& deviceId) const override;
    // Parent walk: the audio device's parent is the composite USB device; its first child
    // matching the target holds the HID device as its first child.
    bool findControlDevice(DeviceNode audioDevice, std::string& out, size_t capacity) override;
    bool getSerial(const std::string& deviceId, std::string& out, size_t capacity) override;

    // Minimum length of a usable serial number.
    static constexpr size_t kMinSerialLength = 5;

  protected:
    DeviceModelAbs(DeviceEnumeratorIf& devices, const DeviceModelPatterns& patterns)
        : devices_(devices), patterns_(patterns) {}

    // The first child of `parent` whose instance id contains `target`.
    bool findChild(DeviceNode parent, const char* target, size_t capacity, DeviceNode& child,
                   std::string& childId);
    DeviceEnumeratorIf& devices() { return devices_; }
    const DeviceModelPatterns& patterns() const { return patterns_; }

  private:
    DeviceEnumeratorIf& devices_;
    DeviceModelPatterns patterns_;
};

}  // namespace qmt
