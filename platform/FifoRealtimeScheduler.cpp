// Plain POSIX thread scheduling, shared by both backends.

#include <pthread.h>
#include <sched.h>

#include <cstring>

#include "platform/RealtimeScheduler.h"

namespace qmt {

bool FifoRealtimeScheduler::makeCurrentThreadRealtime(std::string& refusal) {
    sched_param parameters{};
    parameters.sched_priority = priority_;
    const int error = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &parameters);
    if (error == 0) return true;
    refusal = std::string("SCHED_FIFO refused (") + std::strerror(error) + ")";
    return false;
}

}  // namespace qmt
