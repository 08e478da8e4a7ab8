// The posting operations into every capture queue, and the render double buffer.

#include "driver/CaptureStream.h"
#include "driver/MidiMiniport.h"

namespace qmt {

namespace {
constexpr uint32_t kFull = CaptureQueue::kCapacity;
}  // namespace

template <typename Write>
void MidiMiniport::Post(uint32_t perStream, uint32_t keep, Write write) {
    std::lock_guard lock(miniportMutex_);
    for (CaptureStream* stream : captureStreams_) {
        {
            std::lock_guard queueLock(stream->queue().lock());
            stream->queue().MakeRoom(perStream, keep);
            write(stream->queue());
        }
        if (port_ != nullptr) port_->Notify();
    }
}

void MidiMiniport::SendOne(uint32_t word, int64_t time) {
    Post(1, kFull - 1, [&](CaptureQueue& q) { q.Push(ShortEntry(word, time)); });
}

void MidiMiniport::SendPair(uint32_t first, uint32_t second, int64_t time) {
    Post(2, 8190, [&](CaptureQueue& q) {
        q.Push(ShortEntry(first, time));
        q.Push(ShortEntry(second, time));
    });
}

void MidiMiniport::SendOnAllChannels(uint32_t word, int64_t time) {
    Post(16, 8176, [&](CaptureQueue& q) {
        for (uint8_t c = 0; c < 16; ++c)
            q.Push(ShortEntry(WordOnChannel(word, c), time));
    });
}

void MidiMiniport::SendPairOnAllChannels(uint32_t first, uint32_t second, int64_t time) {
    Post(32, 8160, [&](CaptureQueue& q) {
        for (uint8_t c = 0; c < 16; ++c) {
            q.Push(ShortEntry(WordOnChannel(first, c), time));
            q.Push(ShortEntry(WordOnChannel(second, c), time));
        }
    });
}

void MidiMiniport::SendOnMarkedChannels(uint32_t word, const ChannelMask& marked, int64_t time) {
    Post(16, 8176, [&](CaptureQueue& q) {
        for (uint8_t c = 0; c < 16; ++c)
            if (marked[c]) q.Push(ShortEntry(WordOnChannel(word, c), time));
    });
}

void MidiMiniport::SendPairOnMarkedChannels(uint32_t first, uint32_t second,
                                            const ChannelMask& marked, int64_t time) {
    Post(32, 8160, [&](CaptureQueue& q) {
        for (uint8_t c = 0; c < 16; ++c) {
            if (!marked[c]) continue;
            q.Push(ShortEntry(WordOnChannel(first, c), time));
            q.Push(ShortEntry(WordOnChannel(second, c), time));
        }
    });
}

void MidiMiniport::SendExtended(const uint8_t* bytes, uint8_t length, int64_t time) {
    if (bytes == nullptr || length == 0) return;
    // The entry keeps its own copy: the preset the bytes belong to may be freed by a
    // reload while the entry waits or its event travels to the application.
    auto copy = std::make_shared<const std::vector<uint8_t>>(bytes, bytes + length);
    const MidiQueueEntry entry{
        kEntryLong, length, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(copy->data())), time};
    Post(1, kFull - 1, [&](CaptureQueue& q) { q.Push(entry, copy); });
}

void MidiMiniport::AppendRender(const DMusEvent* events) {
    bool becameNonEmpty = false;
    {
        // The append and the worker's exchange hold the same lock, so an append is never
        // split across the exchange nor drained half-written.
        std::lock_guard lock(renderLock_);
        const bool wasEmpty = fill_->count() == 0;
        fill_->CopyChain(events);
        becameNonEmpty = wasEmpty && fill_->count() > 0;
    }
    if (becameNonEmpty) worker_.renderData.set();
}

void MidiMiniport::DrainRender() {
    // The worker and the last render stream's close both drain; one at a time, or the
    // second exchange would hand the buffer being drained back to the appending side.
    std::lock_guard draining(drainMutex_);
    RenderEventBuffer* taken = nullptr;
    {
        std::lock_guard lock(renderLock_);
        taken = fill_;
        fill_ = drain_;
        drain_ = taken;
    }
    if (taken->count() > 0) {
        std::lock_guard lock(handlerLock_);
        for (auto& frame : handlers_) {
            ControllerHandler& handler = frame->handler();
            if (!handler.AcceptsMidi()) continue;
            handler.BeginMidiBatch();
            for (uint32_t n = 0; n < taken->count(); ++n) {
                const MidiQueueEntry& entry = taken->at(n);
                const uint32_t word = static_cast<uint32_t>(entry.data);
                handler.MidiMessage(
                    entry.length,
                    MidiBytes{static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                              static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)});
            }
            handler.EndMidiBatch();
            frame->WakeWriterIfDue();
        }
    }
    taken->Clear();
}

}  // namespace qmt
