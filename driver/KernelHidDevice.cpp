#include "driver/KernelHidDevice.h"

namespace qmt {

namespace {
// The serial buffer holds 256 bytes of wide characters with their terminator.
constexpr size_t kMaxSerialCharacters = 127;
}  // namespace

bool KernelHidDevice::Open(const std::string& path, bool forWriting) {
    Close();
    read_ = files_.Open(path, false);
    if (!read_) return false;
    if (!forWriting) return true;
    write_ = files_.Open(path, true);
    if (write_) return true;
    read_.reset();
    return false;
}

void KernelHidDevice::Close() {
    write_.reset();
    read_.reset();
}

bool KernelHidDevice::ReadReport(std::span<uint8_t> report) {
    return read_ && read_->Read(report);
}

bool KernelHidDevice::WriteReport(std::span<const uint8_t> report) {
    return write_ && write_->Write(report);
}

bool KernelHidDevice::SerialString(std::string& serial) {
    if (!read_ || !read_->SerialNumber(serial)) return false;
    if (serial.size() > kMaxSerialCharacters) serial.resize(kMaxSerialCharacters);
    return true;
}

void KernelHidDevice::CancelRead() {
    if (read_) read_->CancelRead();
}

}  // namespace qmt
