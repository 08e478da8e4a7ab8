#pragma once
// Real-time scheduling for a time-critical thread (the audio driver's streaming thread):
// first-in-first-out scheduling at a fixed priority where the process may take it, else,
// where a real-time broker runs (rtkit on desktops), through the broker. Behind an
// interface so the core asks for it without knowing how the system grants it.

#include <string>

namespace qmt {

class RealtimeSchedulerIf {
  public:
    virtual ~RealtimeSchedulerIf() = default;
    // Makes the calling thread real-time. False with the reasons in `refusal` (one line)
    // when the system does not grant it; the thread then keeps its normal scheduling.
    virtual bool makeCurrentThreadRealtime(std::string& refusal) = 0;
};

// SCHED_FIFO through the thread's own scheduling call: granted to root, to members of a
// group with an rtprio limit, or with CAP_SYS_NICE.
class FifoRealtimeScheduler : public RealtimeSchedulerIf {
  public:
    // Low enough to stay below the system's audio servers and interrupt threads.
    static constexpr int kPriority = 20;
    // Where a simulated sound card's clock runs: above the streaming thread, as real hardware
    // is never held up by the software it serves.
    static constexpr int kSimulatedHardwarePriority = kPriority + 10;

    explicit FifoRealtimeScheduler(int priority = kPriority) : priority_(priority) {}

    bool makeCurrentThreadRealtime(std::string& refusal) override;

  private:
    int priority_;
};

}  // namespace qmt
