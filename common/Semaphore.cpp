#include "common/Semaphore.h"

namespace qmt {

bool Semaphore::release(uint32_t count) {
    std::lock_guard lock(mutex_);
    if (count == 0 || count > max_ - count_) return false;
    count_ += count;
    wakeWaitersLocked();
    return true;
}

uint32_t Semaphore::count() {
    std::lock_guard lock(mutex_);
    return count_;
}

bool Semaphore::tryConsumeLocked() {
    if (count_ == 0) return false;
    --count_;
    return true;
}

}  // namespace qmt
