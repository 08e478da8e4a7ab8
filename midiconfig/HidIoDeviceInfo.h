#pragma once
// One controller the live-input poller reads: its HID interface path, the open file with
// its outstanding read, the model type and registry index, the report buffer, the count of
// reads that failed in a row, and the previous report (valid after the first control
// report). Destroying it cancels the read and closes the file, in that order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midiconfig/OverlappedHidRead.h"
#include "platform/HidDevices.h"

namespace qmt {

class HidIoDeviceInfo {
  public:
    // Opens `path` for reading through `files`; null when it cannot be opened or the model
    // type has no report layout.
    static std::unique_ptr<HidIoDeviceInfo> Open(HidFileSystemIf& files, const std::string& path,
                                                 uint32_t modelType, size_t deviceIndex);
    HidIoDeviceInfo(std::string path, std::unique_ptr<HidFileIf> file, uint32_t modelType,
                    size_t deviceIndex, size_t reportLength);

    const std::string& path() const { return path_; }
    uint32_t modelType() const { return modelType_; }
    size_t deviceIndex() const { return deviceIndex_; }
    Event& readEvent() { return read_.event(); }

    // Starts reading the next report; false when the read cannot be started.
    bool startRead() { return read_.start(report_); }
    bool readResult(bool& succeeded) { return read_.result(succeeded); }
    const std::vector<uint8_t>& report() const { return report_; }

    uint32_t failedReads = 0;
    bool hasPrevious = false;
    std::vector<uint8_t> previous;

  private:
    const std::string path_;
    const uint32_t modelType_;
    const size_t deviceIndex_;
    std::vector<uint8_t> report_;
    std::unique_ptr<HidFileIf> file_;
    OverlappedHidRead read_;  // after file_: destroyed (cancelled and joined) first
};

}  // namespace qmt
