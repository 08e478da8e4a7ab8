#include "platform/MidiEventPool.h"

namespace qmt {

MidiEventPool::MidiEventPool(size_t capacity) : pool_(capacity) {
    free_.reserve(capacity);
    for (DMusEvent& event : pool_)
        free_.push_back(&event);
}

DMusEvent* MidiEventPool::GetMessage() {
    std::lock_guard lock(mutex_);
    if (free_.empty()) return nullptr;
    DMusEvent* event = free_.back();
    free_.pop_back();
    ++handedOut_;
    return event;
}

int32_t MidiEventPool::PutMessage(DMusEvent* events) {
    std::lock_guard lock(mutex_);
    while (events != nullptr) {
        DMusEvent* next = events->next;
        Release(events);
        events = next;
    }
    return 0;
}

void MidiEventPool::Release(DMusEvent* event) {
    if (event->package != nullptr) {
        DMusEvent* inner = event->package;
        while (inner != nullptr) {
            DMusEvent* next = inner->next;
            Release(inner);
            inner = next;
        }
    }
    *event = DMusEvent{};
    free_.push_back(event);
}

size_t MidiEventPool::freeCount() {
    std::lock_guard lock(mutex_);
    return free_.size();
}

uint64_t MidiEventPool::handedOut() {
    std::lock_guard lock(mutex_);
    return handedOut_;
}

}  // namespace qmt
