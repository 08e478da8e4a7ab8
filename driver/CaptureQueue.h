#pragma once
// The messages waiting in one capture stream: 8192 entries read from the start index
// upward. Posting never blocks and never fails; a full queue loses its oldest entries.
// Long messages keep their own copy of the bytes, so a reload that frees the preset they
// came from cannot leave an entry (or an event in flight) pointing at freed memory.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "driver/MidiQueueEntry.h"

namespace qmt {

class CaptureQueue {
  public:
    static constexpr uint32_t kCapacity = 8192;
    using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

    // The queue's spin lock; posting and PutMessage hold it around the calls below.
    std::mutex& lock() { return lock_; }

    // Room for `adding` new entries, keeping at most `keep` old ones.
    void MakeRoom(uint32_t adding, uint32_t keep);
    // Appends; a full queue drops its oldest entry first.
    void Push(const MidiQueueEntry& entry, Bytes bytes = nullptr);
    // Takes the oldest entry; false when empty.
    bool Pop(MidiQueueEntry& entry, Bytes& bytes);
    void Clear();
    uint32_t count() const { return count_; }
    uint32_t start() const { return start_; }

  private:
    void DropOldest(uint32_t n);

    std::mutex lock_;
    std::array<MidiQueueEntry, kCapacity> entries_{};
    std::array<Bytes, kCapacity> bytes_{};
    uint32_t start_ = 0;
    uint32_t count_ = 0;
};

}  // namespace qmt
