#include "common/ManualTimedWait.h"

#include <algorithm>

namespace qmt {

bool ManualTimedWait::waitFor(Waitable& stop, uint32_t timeoutMs) {
    if (timeoutMs == 0) return stop.wait(0);
    Event moved(false);
    int64_t deadline = 0;
    {
        std::lock_guard lock(mutex_);
        deadline = clock_.counter() + int64_t{timeoutMs} * 10'000;
        waiters_.push_back(&moved);
    }
    started_.release();
    bool stopped = false;
    for (;;) {
        Waitable* list[] = {&stop, &moved};
        if (Waitable::waitForAny(list, kInfinite) == 0) {
            stopped = true;
            break;
        }
        if (timeoutMs != kInfinite && clock_.counter() >= deadline) break;
    }
    std::lock_guard lock(mutex_);
    std::erase(waiters_, &moved);
    return stopped;
}

void ManualTimedWait::advanceMs(int64_t ms) {
    std::lock_guard lock(mutex_);
    clock_.advanceMs(ms);
    for (Event* waiter : waiters_)
        waiter->set();
}

}  // namespace qmt
