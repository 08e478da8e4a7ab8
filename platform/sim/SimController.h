#pragma once
// One virtual controller's HID interface: tests (and the demo) deliver input reports to it,
// make reads fail, unplug it, and look at the output reports written to it.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace qmt {

class SimController {
  public:
    using Report = std::vector<uint8_t>;
    using WriteListener = std::function<void(const std::string& serial, const Report& report)>;

    SimController(std::string path, std::string serial)
        : path_(std::move(path)), serial_(std::move(serial)) {}

    const std::string& path() const { return path_; }
    const std::string& serial() const { return serial_; }

    // The device sends one input report; a blocked read returns it.
    void Deliver(Report report);
    // The next `count` reads fail (the device answers with an error).
    void FailReads(int count);
    bool plugged();
    std::vector<Report> written();
    // Forgets the output reports written so far and gives back their memory (long runs keep
    // memory flat with it).
    void ClearWritten();
    void SetWriteListener(WriteListener listener);
    // Reads currently blocked waiting for a report.
    int blockedReads();
    // Waits until a read blocks (a reader has caught up); false after `timeoutMs`.
    bool WaitForBlockedRead(uint32_t timeoutMs);

    // Waits until every delivered report has been read and the reader is back waiting for
    // the next one, so everything the reports caused has happened; false after `timeoutMs`.
    bool WaitUntilAllRead(uint32_t timeoutMs);

    // Waits until `count` reads have returned in all (successful or not).
    bool WaitForReads(uint64_t count, uint32_t timeoutMs);
    uint64_t reads();

    // Backend side.
    void Unplug();
    bool Read(std::span<uint8_t> report, bool& cancelled);
    void Cancel(bool& cancelled);
    bool Write(std::span<const uint8_t> report);

  private:
    const std::string path_;
    const std::string serial_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Report> input_;
    std::vector<Report> written_;
    WriteListener listener_;
    int failReads_ = 0;
    int blocked_ = 0;
    uint64_t reads_ = 0;
    bool plugged_ = true;
};

}  // namespace qmt
