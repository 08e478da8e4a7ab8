#include "common/ManualTimedWait.h"

#include <algorithm>
#include <vector>

namespace qmt {

bool ManualTimedWait::waitFor(Waitable& stop, uint32_t timeoutMs) {
    Waitable* objects[] = {&stop};
    return waitForAny(objects, timeoutMs) == 0;
}

int ManualTimedWait::waitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs) {
    if (objects.empty()) return kWaitFailed;
    if (timeoutMs == 0) return Waitable::waitForAny(objects, 0);
    Event moved(false);
    int64_t deadline = 0;
    {
        std::lock_guard lock(mutex_);
        deadline = clock_.counter() + int64_t{timeoutMs} * 10'000;
        waiters_.push_back(&moved);
    }
    started_.release();
    std::vector<Waitable*> list(objects.begin(), objects.end());
    list.push_back(&moved);
    const int movedIndex = static_cast<int>(objects.size());
    int result = kWaitTimeout;
    for (;;) {
        const int index = Waitable::waitForAny(list, kInfinite);
        if (index != movedIndex) {
            result = index;
            break;
        }
        if (timeoutMs != kInfinite && clock_.counter() >= deadline) break;
    }
    std::lock_guard lock(mutex_);
    std::erase(waiters_, &moved);
    return result;
}

void ManualTimedWait::advanceMs(int64_t ms) {
    std::lock_guard lock(mutex_);
    clock_.advanceMs(ms);
    for (Event* waiter : waiters_)
        waiter->set();
}

}  // namespace qmt
