#include "driver/CaptureQueue.h"

namespace qmt {

void CaptureQueue::MakeRoom(uint32_t adding, uint32_t keep) {
    if (count_ + adding > kCapacity - 1 && count_ > keep) DropOldest(count_ - keep);
}

void CaptureQueue::Push(const MidiQueueEntry& entry, Bytes bytes) {
    if (count_ == kCapacity) DropOldest(1);
    const uint32_t index = (start_ + count_) % kCapacity;
    entries_[index] = entry;
    bytes_[index] = std::move(bytes);
    ++count_;
}

bool CaptureQueue::Pop(MidiQueueEntry& entry, Bytes& bytes) {
    if (count_ == 0) return false;
    entry = entries_[start_];
    bytes = std::move(bytes_[start_]);
    start_ = (start_ + 1) % kCapacity;
    --count_;
    return true;
}

void CaptureQueue::Clear() {
    DropOldest(count_);
    start_ = 0;
}

void CaptureQueue::DropOldest(uint32_t n) {
    for (uint32_t i = 0; i < n; ++i)
        bytes_[(start_ + i) % kCapacity].reset();
    start_ = (start_ + n) % kCapacity;
    count_ -= n;
}

}  // namespace qmt
