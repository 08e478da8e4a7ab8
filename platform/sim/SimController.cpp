#include "platform/sim/SimController.h"

#include <algorithm>
#include <chrono>

namespace qmt {

void SimController::Deliver(Report report) {
    std::lock_guard lock(mutex_);
    input_.push_back(std::move(report));
    changed_.notify_all();
}

void SimController::FailReads(int count) {
    std::lock_guard lock(mutex_);
    failReads_ += count;
    changed_.notify_all();
}

bool SimController::plugged() {
    std::lock_guard lock(mutex_);
    return plugged_;
}

std::vector<SimController::Report> SimController::written() {
    std::lock_guard lock(mutex_);
    return written_;
}

void SimController::ClearWritten() {
    std::lock_guard lock(mutex_);
    std::vector<Report>().swap(written_);
}

void SimController::SetWriteListener(WriteListener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

int SimController::blockedReads() {
    std::lock_guard lock(mutex_);
    return blocked_;
}

bool SimController::WaitForBlockedRead(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return blocked_ > 0; });
}

bool SimController::WaitUntilAllRead(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    // A reader counts as waiting only inside the wait, which it enters with nothing queued.
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return input_.empty() && blocked_ > 0; });
}

bool SimController::WaitForReads(uint64_t count, uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return reads_ >= count; });
}

uint64_t SimController::reads() {
    std::lock_guard lock(mutex_);
    return reads_;
}

void SimController::Unplug() {
    std::lock_guard lock(mutex_);
    plugged_ = false;
    changed_.notify_all();
}

bool SimController::Read(std::span<uint8_t> report, bool& cancelled) {
    std::unique_lock lock(mutex_);
    ++blocked_;
    changed_.notify_all();
    changed_.wait(lock,
                  [&] { return !input_.empty() || !plugged_ || cancelled || failReads_ > 0; });
    --blocked_;
    ++reads_;
    changed_.notify_all();
    if (cancelled) {
        cancelled = false;
        return false;
    }
    if (!plugged_) return false;
    if (failReads_ > 0) {
        --failReads_;
        return false;
    }
    Report next = std::move(input_.front());
    input_.pop_front();
    // A report of another length is a failed read, as the HID class driver answers it.
    if (next.size() != report.size()) return false;
    std::copy(next.begin(), next.end(), report.begin());
    return true;
}

void SimController::Cancel(bool& cancelled) {
    std::lock_guard lock(mutex_);
    cancelled = true;
    changed_.notify_all();
}

bool SimController::Write(std::span<const uint8_t> report) {
    WriteListener listener;
    Report copy(report.begin(), report.end());
    {
        std::lock_guard lock(mutex_);
        if (!plugged_) return false;
        written_.push_back(copy);
        listener = listener_;
    }
    if (listener) listener(serial_, copy);
    return true;
}

}  // namespace qmt
