#pragma once
// An in-memory HID device: input reports are queued by the caller, output reports are
// recorded (and optionally handed to a listener as they are written). A read with nothing
// queued fails, as a read on an unplugged device does.

#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/HidDeviceIf.h"

namespace qmt {

class MemoryHidDevice final : public HidDeviceIf {
  public:
    using Report = std::vector<uint8_t>;
    using WriteListener = std::function<void(std::span<const uint8_t>)>;

    explicit MemoryHidDevice(std::string serial = "SIMULATED") : serial_(std::move(serial)) {}

    bool Open(const std::string& path, bool forWriting) override;
    void Close() override;
    bool ReadReport(std::span<uint8_t> report) override;
    bool WriteReport(std::span<const uint8_t> report) override;
    bool SerialString(std::string& serial) override;

    void QueueReport(Report report) { input_.push_back(std::move(report)); }
    size_t queuedReports() const { return input_.size(); }
    void ClearInput() { input_.clear(); }
    const std::vector<Report>& written() const { return written_; }
    void ClearWritten() { written_.clear(); }
    void SetWriteListener(WriteListener listener) { listener_ = std::move(listener); }

    // Failure switches for tests.
    void SetOpenFails(bool fails) { openFails_ = fails; }
    void SetWriteFails(bool fails) { writeFails_ = fails; }
    void SetSerialFails(bool fails) { serialFails_ = fails; }

    bool isOpen() const { return open_; }
    bool isOpenForWriting() const { return open_ && writable_; }
    const std::string& path() const { return path_; }

  private:
    std::string serial_;
    std::string path_;
    std::deque<Report> input_;
    std::vector<Report> written_;
    WriteListener listener_;
    bool open_ = false;
    bool writable_ = false;
    bool openFails_ = false;
    bool writeFails_ = false;
    bool serialFails_ = false;
};

}  // namespace qmt
