#include "midiconfig/OverlappedHidRead.h"

namespace qmt {

OverlappedHidRead::OverlappedHidRead(HidFileIf& file) : file_(file), helper_([this] { run(); }) {}

OverlappedHidRead::~OverlappedHidRead() {
    cancel();
}

bool OverlappedHidRead::start(std::span<uint8_t> buffer) {
    std::lock_guard lock(mutex_);
    if (quit_ || requested_) return false;
    buffer_ = buffer;
    requested_ = true;
    finished_ = false;
    wake_.notify_one();
    return true;
}

bool OverlappedHidRead::result(bool& succeeded) {
    std::lock_guard lock(mutex_);
    if (!finished_) return false;
    finished_ = false;
    succeeded = succeeded_;
    return true;
}

void OverlappedHidRead::cancel() {
    {
        std::lock_guard lock(mutex_);
        if (quit_ && !helper_.joinable()) return;
        quit_ = true;
        wake_.notify_one();
    }
    // A read in progress fails at once; one not yet begun never begins, as the helper
    // looks at quit_ before reading.
    file_.CancelRead();
    if (helper_.joinable()) helper_.join();
}

void OverlappedHidRead::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || (requested_ && !finished_); });
        if (quit_) return;
        const std::span<uint8_t> buffer = buffer_;
        lock.unlock();
        const bool ok = file_.Read(buffer);
        lock.lock();
        requested_ = false;
        finished_ = true;
        succeeded_ = ok;
        done_.set();
    }
}

}  // namespace qmt
