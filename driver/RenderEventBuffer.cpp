#include "driver/RenderEventBuffer.h"

#include <cstring>

#include "platform/MidiPort.h"

namespace qmt {

void RenderEventBuffer::Append(const MidiQueueEntry& entry) {
    if (count_ == kCapacity) {
        start_ = (start_ + 1) % kCapacity;
        --count_;
    }
    entries_[(start_ + count_) % kCapacity] = entry;
    ++count_;
}

void RenderEventBuffer::CopyChain(const DMusEvent* events) {
    for (const DMusEvent* e = events; e != nullptr; e = e->next) {
        if ((e->flags & kDMusEventStructured) == 0) continue;
        if (e->byteCount <= kDMusInlineBytes) {
            uint32_t bytes = 0;
            std::memcpy(&bytes, e->data, 4);
            Append(MidiQueueEntry{kEntryShort, static_cast<uint8_t>(e->byteCount), bytes,
                                  e->presentationTime});
        } else if (e->flags & kDMusEventPackage) {
            CopyChain(e->package);
        }
    }
}

}  // namespace qmt
