#include "common/Event.h"

namespace qmt {

void Event::set() {
    std::lock_guard lock(mutex_);
    if (signalled_.load(std::memory_order_relaxed)) return;
    signalled_.store(true, std::memory_order_release);
    wakeWaitersLocked();
}

void Event::reset() {
    std::lock_guard lock(mutex_);
    signalled_.store(false, std::memory_order_relaxed);
}

bool Event::isSet() {
    std::lock_guard lock(mutex_);
    return signalled_.load(std::memory_order_relaxed);
}

bool Event::tryConsumeLocked() {
    if (!signalled_.load(std::memory_order_relaxed)) return false;
    if (!manualReset_) signalled_.store(false, std::memory_order_relaxed);
    return true;
}

}  // namespace qmt
