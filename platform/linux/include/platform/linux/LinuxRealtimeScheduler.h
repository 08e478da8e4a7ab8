#pragma once
// Real-time scheduling on a Linux desktop: SCHED_FIFO directly where the process may take it
// (root, an rtprio limit, CAP_SYS_NICE), else through rtkit on the system bus, which grants
// it to ordinary users' threads within its limits (a priority no higher than its maximum,
// and an RLIMIT_RTTIME no higher than its bound, which this sets first).

#include <string>

#include "platform/RealtimeScheduler.h"

namespace qmt {

class LinuxRealtimeScheduler final : public RealtimeSchedulerIf {
  public:
    bool makeCurrentThreadRealtime(std::string& refusal) override;
};

// The rtkit request alone; false with the reason when the broker is absent or says no.
bool requestRealtimeFromRtkit(int priority, std::string& refusal);

}  // namespace qmt
