#pragma once
// The handler's view of one HID device: open it by its interface path, read one input
// report, write one output report, ask for its serial-number string. The driver backs it
// with hidraw; tests and the dry-run tool use MemoryHidDevice.

#include <cstdint>
#include <span>
#include <string>

namespace qmt {

class HidDeviceIf {
  public:
    virtual ~HidDeviceIf() = default;
    // Opens the device for reading and, when `forWriting`, for writing as well.
    virtual bool Open(const std::string& path, bool forWriting) = 0;
    virtual void Close() = 0;
    // Blocks until one input report arrives; the report starts with its report number.
    // False when the read fails (device gone, wrong size).
    virtual bool ReadReport(std::span<uint8_t> report) = 0;
    // Writes one whole output report; false when the device refuses it.
    virtual bool WriteReport(std::span<const uint8_t> report) = 0;
    // The device's serial-number string as the device reports it.
    virtual bool SerialString(std::string& serial) = 0;
};

}  // namespace qmt
