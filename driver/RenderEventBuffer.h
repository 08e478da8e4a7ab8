#pragma once
// One half of the render double buffer: 4096 short messages from applications, waiting
// for the device worker to hand them to the controllers. A full buffer loses its oldest.

#include <array>
#include <cstdint>

#include "driver/MidiQueueEntry.h"

namespace qmt {

struct DMusEvent;

class RenderEventBuffer {
  public:
    static constexpr uint32_t kCapacity = 4096;

    void Append(const MidiQueueEntry& entry);
    // Copies a chain of render events: complete messages of up to 8 bytes become entries,
    // packages are flattened in place, everything else is skipped.
    void CopyChain(const DMusEvent* events);
    const MidiQueueEntry& at(uint32_t n) const { return entries_[(start_ + n) % kCapacity]; }
    uint32_t count() const { return count_; }
    void Clear() { start_ = count_ = 0; }

  private:
    std::array<MidiQueueEntry, kCapacity> entries_{};
    uint32_t start_ = 0;
    uint32_t count_ = 0;
};

}  // namespace qmt
