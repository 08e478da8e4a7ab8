#include "common/Event.h"

namespace qmt {

void Event::set() {
    std::lock_guard lock(mutex_);
    if (signalled_) return;
    signalled_ = true;
    wakeWaitersLocked();
}

void Event::reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Event::isSet() {
    std::lock_guard lock(mutex_);
    return signalled_;
}

bool Event::tryConsumeLocked() {
    if (!signalled_) return false;
    if (!manualReset_) signalled_ = false;
    return true;
}

}  // namespace qmt
