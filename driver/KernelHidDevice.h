#pragma once
// A handler's HID device over the platform's kernel-style file calls: one handle for
// reading and, on models with lights, a second for writing. The frame keeps a pointer to
// it so that stopping a reader can cancel a read that waits for the user.

#include <memory>

#include "engine/HidDeviceIf.h"
#include "platform/HidDevices.h"

namespace qmt {

class KernelHidDevice final : public HidDeviceIf {
  public:
    explicit KernelHidDevice(HidFileSystemIf& files) : files_(files) {}

    bool Open(const std::string& path, bool forWriting) override;
    void Close() override;
    bool ReadReport(std::span<uint8_t> report) override;
    bool WriteReport(std::span<const uint8_t> report) override;
    bool SerialString(std::string& serial) override;
    void CancelRead();

  private:
    HidFileSystemIf& files_;
    std::unique_ptr<HidFileIf> read_;
    std::unique_ptr<HidFileIf> write_;
};

}  // namespace qmt
