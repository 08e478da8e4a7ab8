#include "platform/ThreadPeriodicTimer.h"

namespace qmt {

ThreadPeriodicTimer::ThreadPeriodicTimer() : thread_([this] { Run(); }) {}

ThreadPeriodicTimer::~ThreadPeriodicTimer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        changed_.notify_all();
    }
    thread_.join();
}

void ThreadPeriodicTimer::Arm(uint32_t firstDueMs, uint32_t periodMs,
                              std::function<void()> expired) {
    std::lock_guard lock(mutex_);
    expired_ = std::move(expired);
    due_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(firstDueMs);
    period_ = std::chrono::milliseconds(periodMs);
    armed_ = true;
    changed_.notify_all();
}

void ThreadPeriodicTimer::Cancel() {
    std::unique_lock lock(mutex_);
    armed_ = false;
    changed_.notify_all();
    // The caller relies on the function not running once Cancel returns.
    changed_.wait(lock, [this] { return !firing_; });
}

void ThreadPeriodicTimer::Run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!armed_) {
            changed_.wait(lock);
            continue;
        }
        if (changed_.wait_until(lock, due_) != std::cv_status::timeout) continue;
        if (!armed_ || std::chrono::steady_clock::now() < due_) continue;
        due_ += period_;
        std::function<void()> expired = expired_;
        firing_ = true;
        lock.unlock();
        expired();
        lock.lock();
        firing_ = false;
        changed_.notify_all();
    }
}

}  // namespace qmt
