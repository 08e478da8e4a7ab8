#pragma once
// A periodic timer that expires only when a test fires it: the driver's timing rules are
// tested without waiting.

#include <mutex>

#include "platform/PeriodicTimer.h"

namespace qmt {

class ManualPeriodicTimer final : public PeriodicTimerIf {
  public:
    void Arm(uint32_t firstDueMs, uint32_t periodMs, std::function<void()> expired) override {
        std::lock_guard lock(mutex_);
        armed_ = true;
        firstDueMs_ = firstDueMs;
        periodMs_ = periodMs;
        expired_ = std::move(expired);
    }
    void Cancel() override {
        std::lock_guard lock(mutex_);
        armed_ = false;
    }
    // One expiry, as if the period had passed; false when the timer is not armed.
    bool Fire() {
        std::lock_guard lock(mutex_);
        if (!armed_) return false;
        expired_();
        return true;
    }
    bool armed() {
        std::lock_guard lock(mutex_);
        return armed_;
    }
    uint32_t periodMs() {
        std::lock_guard lock(mutex_);
        return periodMs_;
    }
    uint32_t firstDueMs() {
        std::lock_guard lock(mutex_);
        return firstDueMs_;
    }

  private:
    std::mutex mutex_;
    bool armed_ = false;
    uint32_t firstDueMs_ = 0;
    uint32_t periodMs_ = 0;
    std::function<void()> expired_;
};

}  // namespace qmt
