// The miniport's life, its streams and their connections.

#include "driver/MidiMiniport.h"

#include "driver/CaptureStream.h"
#include "driver/DriverStatus.h"
#include "driver/RenderStream.h"
#include "engine/ControllerHandlerFactory.h"

namespace qmt {

namespace {
std::atomic<MidiMiniport*> liveMiniport{nullptr};

// The clock the handlers stamp their messages with: the master clock of the streams, or
// a failed read while no stream exists.
class MiniportClock final : public PortClockIf {
  public:
    explicit MiniportClock(MidiMiniport& miniport) : miniport_(miniport) {}
    bool Now(int64_t& time100ns) override { return miniport_.ClockNow(time100ns); }

  private:
    MidiMiniport& miniport_;
};

}  // namespace

Guid MusicTechnologyPort() {
    return ParseGuid("86C92E60-62E8-11CF-A5D6-28DB04C10000");
}

MidiMiniport* MidiMiniport::Live() {
    return liveMiniport.load();
}

MidiMiniport::MidiMiniport(const MiniportServices& services)
    : services_(services), handlerClock_(std::make_unique<MiniportClock>(*this)), worker_(*this) {}

MidiMiniport::~MidiMiniport() {
    StopDeviceWorker();
    {
        // Each frame stops its threads before its handler goes.
        std::lock_guard lock(handlerLock_);
        handlers_.clear();
        if (timerArmed_ && services_.timer != nullptr) services_.timer->Cancel();
        timerArmed_ = false;
    }
    MidiMiniport* self = this;
    liveMiniport.compare_exchange_strong(self, nullptr);
    std::lock_guard lock(mappingMutex_);
    FreeMapping(mapping_);
}

NtStatus MidiMiniport::Init(PortDMusIf* port) {
    if (port == nullptr) return kStatusInvalidParameter;
    port_ = port;
    if (IsNullGuid(technology_)) technology_ = MusicTechnologyPort();
    midiRangeTechnology_ = technology_;
    dmusRangeTechnology_ = technology_;
    liveMiniport.store(this);
    return kStatusSuccess;
}

NtStatus MidiMiniport::SetTechnology(const Guid& technology) {
    if (port_ != nullptr) return kStatusUnsuccessful;
    technology_ = technology;
    return kStatusSuccess;
}

NtStatus MidiMiniport::DataRangeIntersection() const {
    return kStatusNotImplemented;
}

int32_t MidiMiniport::NewStream(std::unique_ptr<MxfIf>& stream, uint32_t streamType,
                                AllocatorMxfIf* allocator,
                                std::shared_ptr<PortClockIf> masterClock) {
    stream.reset();
    if (streamType != kDMusStreamMidiCapture && streamType != kDMusStreamMidiRender)
        return kStatusInvalidDeviceRequest;
    if (allocator == nullptr || !masterClock) return kStatusInvalidParameter;
    const bool capture = streamType == kDMusStreamMidiCapture;
    std::unique_ptr<MidiStreamAbs> made;
    if (capture)
        made = std::make_unique<CaptureStream>(*this, *allocator, std::move(masterClock));
    else
        made = std::make_unique<RenderStream>(*this, *allocator, std::move(masterClock));
    RegisterStream(made.get(), capture);
    stream = std::move(made);
    return kStatusSuccess;
}

void MidiMiniport::RegisterStream(MidiStreamAbs* stream, bool capture) {
    bool first = false;
    {
        std::lock_guard lock(miniportMutex_);
        first = captureCount_ == 0 && renderCount_ == 0;
        if (capture)
            captureStreams_.push_front(static_cast<CaptureStream*>(stream));
        else
            renderStreams_.push_front(static_cast<RenderStream*>(stream));
        if (capture)
            ++captureCount_;
        else
            ++renderCount_;
        if (first) {
            std::lock_guard clockLock(clockMutex_);
            clock_ = stream->sharedClock();
        }
    }
    if (!first) return;
    // The mapping is loaded and applied outside the miniport lock: applying it stops
    // readers, which may be waiting for that lock to post.
    bool loaded = false;
    {
        std::lock_guard mappingLock(mappingMutex_);
        if (!mapping_ && services_.registry != nullptr) {
            mapping_ = LoadSelectedMapping(*services_.registry);
            loaded = true;
        }
    }
    if (loaded) ReapplyPresets();
}

void MidiMiniport::UnregisterStream(MidiStreamAbs* stream) {
    bool resetOutput = false;
    {
        std::lock_guard lock(miniportMutex_);
        if (stream->isCapture()) {
            captureStreams_.remove(static_cast<CaptureStream*>(stream));
            --captureCount_;
        } else {
            renderStreams_.remove(static_cast<RenderStream*>(stream));
            --renderCount_;
            resetOutput = renderCount_ == 0;
        }
    }
    if (resetOutput) {
        // What the closing application sent last may still wait in the render buffer (the
        // worker drains it later, or has stopped): it goes to the handlers now, and they
        // write it before their output stops.
        DrainRender();
        std::lock_guard lock(handlerLock_);
        for (auto& frame : handlers_)
            frame->handler().ResetOutput();
    }
    // The clock goes last, so the handlers could still stamp that final output. A stream
    // registered meanwhile has made the clock its own.
    std::lock_guard lock(miniportMutex_);
    if (captureCount_ == 0 && renderCount_ == 0) {
        std::lock_guard clockLock(clockMutex_);
        clock_.reset();
    }
}

bool MidiMiniport::Connect(MidiStreamAbs* stream, MxfIf* sink) {
    {
        std::lock_guard lock(miniportMutex_);
        if (sink == nullptr || stream->connected()) return false;
        stream->SetSink(sink);
        if (stream->isCapture())
            ++captureConnected_;
        else
            ++renderConnected_;
    }
    if (stream->isCapture()) worker_.captureConnected.set();
    return true;
}

bool MidiMiniport::Disconnect(MidiStreamAbs* stream, MxfIf* sink) {
    std::lock_guard lock(miniportMutex_);
    if (sink != nullptr && sink != stream->sink()) return false;
    // Disconnecting an unconnected stream changes nothing and counts nothing.
    if (!stream->connected()) return true;
    stream->SetSink(&stream->allocator());
    if (stream->isCapture())
        --captureConnected_;
    else
        --renderConnected_;
    return true;
}

bool MidiMiniport::ClockNow(int64_t& time) {
    std::shared_ptr<PortClockIf> clock;
    {
        std::lock_guard lock(clockMutex_);
        clock = clock_;
    }
    return clock && clock->Now(time);
}

bool MidiMiniport::InUse() {
    std::lock_guard lock(miniportMutex_);
    return captureConnected_ > 0 || renderConnected_ > 0;
}

bool MidiMiniport::mappingLoaded() {
    std::lock_guard lock(mappingMutex_);
    return mapping_ != nullptr;
}

size_t MidiMiniport::handlerCount() {
    std::lock_guard lock(handlerLock_);
    return handlers_.size();
}

bool MidiMiniport::timerArmed() {
    std::lock_guard lock(handlerLock_);
    return timerArmed_;
}

}  // namespace qmt
