#include "common/Clock.h"

#include <chrono>

namespace qmt {

namespace {
int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

bool SteadyPortClock::Now(int64_t& time100ns) {
    time100ns = steadyNanoseconds() / 100;
    return true;
}

uint32_t SteadyTickClock::tickMs() {
    return static_cast<uint32_t>(steadyNanoseconds() / 1'000'000);
}

int64_t SteadyPerformanceCounter::counter() {
    return steadyNanoseconds();
}

bool ManualClock::Now(int64_t& time100ns) {
    if (failing_.load()) return false;
    time100ns = now_.load();
    return true;
}

}  // namespace qmt
