#pragma once
// One open hidraw node as a HID file: a read returns exactly one input report with its
// report number first (0 put in front when the device numbers none, as Windows shows it),
// a write sends the report as given, and a cancel wakes a blocked read at once. A read
// ends with false when the device goes away.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/HidDevices.h"

namespace qmt {

class HidrawFile final : public HidFileIf {
  public:
    // Where a read says, once, that the device's reports do not have the length asked for.
    using Diagnostics = std::function<void(const std::string& message)>;

    // Takes `fd` over. `numbered`: the device's reports carry their own number.
    // `knownSerial` answers the serial request when the node cannot.
    HidrawFile(int fd, bool numbered, std::string knownSerial);
    ~HidrawFile() override;
    HidrawFile(const HidrawFile&) = delete;
    HidrawFile& operator=(const HidrawFile&) = delete;

    // Opens a node: null with errno set when it cannot be opened.
    static std::unique_ptr<HidrawFile> Open(const std::string& node, bool forWriting,
                                            const std::string& knownSerial);

    // A report of another length than `report` is skipped and the read goes on waiting; the
    // first one is told to the diagnostics ("reports of N bytes, expected M: ignored",
    // lengths as hidraw hands them out), the rest quietly.
    void SetDiagnostics(Diagnostics diagnostics) { diagnostics_ = std::move(diagnostics); }
    bool Read(std::span<uint8_t> report) override;
    void CancelRead() override;
    bool Write(std::span<const uint8_t> report) override;
    bool SerialNumber(std::string& serial) override;

  private:
    // Waits until the node is readable; false when cancelled or the device is gone.
    bool WaitReadable();

    int fd_;
    int cancel_;
    bool numbered_;
    std::string knownSerial_;
    std::vector<uint8_t> buffer_;
    Diagnostics diagnostics_;
    bool toldWrongLength_ = false;
};

}  // namespace qmt
