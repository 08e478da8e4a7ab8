#include "common/Waitable.h"

#include <algorithm>

namespace qmt {

bool Waitable::wait(uint32_t timeoutMs) {
    Waitable* self = this;
    return waitForAny(std::span<Waitable* const>(&self, 1), timeoutMs) == 0;
}

bool Waitable::tryConsume(bool take) {
    if (!mightBeSignalled()) return false;
    std::lock_guard lock(mutex_);
    return take ? tryConsumeLocked() : isSignalledLocked();
}

void Waitable::wakeWaitersLocked() {
    for (Waiter* waiter : waiters_) {
        {
            std::lock_guard lock(waiter->mutex);
            waiter->notified = true;
        }
        // Told after the waiter's mutex is free, so the woken thread does not wake only to
        // wait for it. The waiter cannot go meanwhile: leaving takes this object's mutex.
        waiter->wake.notify_one();
    }
}

void Waitable::addWaiter(Waiter* waiter) {
    std::lock_guard lock(mutex_);
    waiters_.push_back(waiter);
}

void Waitable::removeWaiter(Waiter* waiter) {
    std::lock_guard lock(mutex_);
    waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), waiter), waiters_.end());
}

int Waitable::tryConsumeFirst(std::span<Waitable* const> objects, bool take) {
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->tryConsume(take)) return static_cast<int>(i);
    }
    return kWaitTimeout;
}

int Waitable::waitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs) {
    return waitFor(objects, timeoutMs, true);
}

int Waitable::waitForAnySignalled(std::span<Waitable* const> objects, uint32_t timeoutMs) {
    return waitFor(objects, timeoutMs, false);
}

int Waitable::waitFor(std::span<Waitable* const> objects, uint32_t timeoutMs, bool take) {
    if (objects.empty()) return kWaitFailed;
    int index = tryConsumeFirst(objects, take);
    if (index != kWaitTimeout || timeoutMs == 0) return index;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Waiter waiter;
    for (Waitable* object : objects)
        object->addWaiter(&waiter);
    for (;;) {
        // Clear the flag before looking, so a signal that arrives after the look still wakes us.
        {
            std::lock_guard lock(waiter.mutex);
            waiter.notified = false;
        }
        index = tryConsumeFirst(objects, take);
        if (index != kWaitTimeout) break;
        std::unique_lock lock(waiter.mutex);
        if (timeoutMs == kInfinite) {
            waiter.wake.wait(lock, [&] { return waiter.notified; });
        } else if (!waiter.wake.wait_until(lock, deadline, [&] { return waiter.notified; })) {
            break;
        }
    }
    for (Waitable* object : objects)
        object->removeWaiter(&waiter);
    return index;
}

}  // namespace qmt
