#include "engine/MemoryHidDevice.h"

#include <algorithm>

namespace qmt {

bool MemoryHidDevice::Open(const std::string& path, bool forWriting) {
    if (openFails_) return false;
    path_ = path;
    open_ = true;
    writable_ = forWriting;
    return true;
}

void MemoryHidDevice::Close() {
    open_ = false;
    writable_ = false;
}

bool MemoryHidDevice::ReadReport(std::span<uint8_t> report) {
    if (!open_ || input_.empty()) return false;
    Report next = std::move(input_.front());
    input_.pop_front();
    // A HID read always returns the device's full report length; anything else is a fault.
    if (next.size() != report.size()) return false;
    std::copy(next.begin(), next.end(), report.begin());
    return true;
}

bool MemoryHidDevice::WriteReport(std::span<const uint8_t> report) {
    if (!writable_ || writeFails_) return false;
    written_.emplace_back(report.begin(), report.end());
    if (listener_) listener_(report);
    return true;
}

bool MemoryHidDevice::SerialString(std::string& serial) {
    if (!open_ || serialFails_) return false;
    serial = serial_;
    return true;
}

}  // namespace qmt
