#include "driver/CaptureStream.h"

#include <cstring>

#include "driver/DriverStatus.h"

namespace qmt {

int32_t CaptureStream::PutMessage(DMusEvent*) {
    MidiQueueEntry entry;
    CaptureQueue::Bytes bytes;
    {
        std::lock_guard lock(queue_.lock());
        if (!queue_.Pop(entry, bytes)) return kStatusSuccess;
    }
    DMusEvent* event = allocator_.GetMessage();
    if (event == nullptr) return kStatusInsufficientResources;
    event->channelGroup = 1;
    event->flags = 0;
    event->next = nullptr;
    event->byteCount = entry.length;
    event->presentationTime = entry.time;
    if (entry.kind == kEntryShort) {
        const uint32_t word = static_cast<uint32_t>(entry.data);
        std::memcpy(event->data, &word, 4);
    } else if (bytes && entry.length > kDMusInlineBytes) {
        // The event shares the entry's own copy until it returns to the allocator.
        event->dataPointer = bytes->data();
        event->dataOwner = bytes;
    } else if (bytes) {
        std::memcpy(event->data, bytes->data(), entry.length);
    }
    return sink_.load()->PutMessage(event);
}

void CaptureStream::Stopped() {
    std::lock_guard lock(queue_.lock());
    queue_.Clear();
}

}  // namespace qmt
