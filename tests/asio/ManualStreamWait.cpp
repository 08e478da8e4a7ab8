#include "ManualStreamWait.h"

namespace qmt {

int ManualStreamWait::waitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs) {
    const bool timed = timeoutMs != kInfinite;
    const int64_t deadline = clock_.counter() + int64_t{timed ? timeoutMs : 0} * 10'000;
    std::vector<Waitable*> list(objects.begin(), objects.end());
    list.push_back(&kick_);
    const int kickIndex = static_cast<int>(objects.size());
    for (;;) {
        const int ready = Waitable::waitForAny(objects, 0);
        if (ready >= 0) return ready;
        if (timed && clock_.counter() >= deadline) return kWaitTimeout;
        {
            std::lock_guard lock(mutex_);
            blocked_ = true;
            objects_.assign(objects.begin(), objects.end());
            timed_ = timed;
            deadline_ = deadline;
        }
        changed_.notify_all();
        // Woken, the thread says so before it takes the signal: a signal taken while it still
        // counted as blocked would let the test's next step run ahead of it.
        const int index = Waitable::waitForAnySignalled(list, kInfinite);
        {
            std::lock_guard lock(mutex_);
            blocked_ = false;
        }
        if (index == kickIndex) kick_.wait(0);
    }
}

void ManualStreamWait::advanceMs(int64_t ms) {
    clock_.advanceMs(ms);
    kick_.set();
}

bool ManualStreamWait::idleLocked() {
    if (!blocked_ || kick_.isSet()) return false;
    if (timed_ && clock_.counter() >= deadline_) return false;
    for (Waitable* object : objects_) {
        // Only events are waited on here; a set one will wake the thread.
        if (auto* event = dynamic_cast<Event*>(object); event != nullptr && event->isSet()) {
            return false;
        }
    }
    return true;
}

void ManualStreamWait::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return idleLocked(); });
}

}  // namespace qmt
