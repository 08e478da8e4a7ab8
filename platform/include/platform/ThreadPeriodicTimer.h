#pragma once
// The periodic timer on a thread of its own, on the monotonic clock. Works on every backend.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/PeriodicTimer.h"

namespace qmt {

class ThreadPeriodicTimer final : public PeriodicTimerIf {
  public:
    ThreadPeriodicTimer();
    ~ThreadPeriodicTimer() override;

    void Arm(uint32_t firstDueMs, uint32_t periodMs, std::function<void()> expired) override;
    void Cancel() override;

  private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> expired_;
    std::chrono::steady_clock::time_point due_;
    std::chrono::milliseconds period_{0};
    bool armed_ = false;
    bool firing_ = false;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace qmt
