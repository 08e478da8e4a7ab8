// The composite device's streaming thread: it waits for every active filter to complete the
// current half (or, with none, for the buffer period to pass), makes the host's buffer
// switch, and handles the control requests in between.

#include <atomic>
#include <string>

#include "asio/AsioDeviceInfo.h"
#include "asio/CompositeKsAudioDevice.h"
#include "asio/KsAudioFilter.h"
#include "platform/RealtimeScheduler.h"

namespace qmt {

void CompositeKsAudioDevice::streamingThread() {
    streamingThreadId_.store(std::this_thread::get_id());
    askForRealTime();
    Waitable* controls[kRequests];
    for (uint32_t i = 0; i < kRequests; ++i)
        controls[i] = &requests_[i];
    waitList_ = std::make_unique<StreamingWaitList>(controls);
    half_ = 0;
    streamState_ = KSSTATE_STOP;
    running_ = true;
    refillWaitList();
    timer_ = StreamTimer(StreamTimer::periodOf(bufferSize_, sampleRate_.load()));
    if (active_.isEmpty()) timer_.restart(nowMs());
    while (running_) {
        if (active_.isEmpty()) {
            timerStep();
        } else {
            filterStep();
        }
    }
    leaveStreamingLoop();
}

void CompositeKsAudioDevice::askForRealTime() {
    if (environment_.realtime == nullptr) return;
    std::string refusal;
    if (environment_.realtime->makeCurrentThreadRealtime(refusal)) return;
    // Said once per process: every stream would say the same.
    static std::atomic<bool> said{false};
    if (said.exchange(true) || !environment_.notice) return;
    environment_.notice("the audio streaming thread runs without real-time priority (" + refusal +
                        "); buffer switches may come late while the system is busy");
}

uint32_t CompositeKsAudioDevice::nowMs() {
    return environment_.tickClock->tickMs();
}

void CompositeKsAudioDevice::timerStep() {
    // The timer stands in for the hardware, which plays only while the stream runs: a host
    // that stopped hears no more switches.
    const bool running = streamState_ == KSSTATE_RUN;
    const uint32_t timeout = running ? timer_.timeoutMs(nowMs()) : kInfinite;
    const std::span<Waitable* const> controls =
        waitList_->objects().first(waitList_->controlCount());
    const int index = environment_.streamWait->waitForAny(controls, timeout);
    if (index == kWaitTimeout) {
        timer_.elapse();
        bufferSwitch(half_);
        half_ ^= 1;
        return;
    }
    if (index < 0) {
        running_ = false;
        return;
    }
    handleRequest(static_cast<uint32_t>(index));
    acknowledgeRequest();
    if (!running && streamState_ == KSSTATE_RUN) timer_.restart(nowMs());
}

void CompositeKsAudioDevice::filterStep() {
    const int index = environment_.streamWait->waitForAny(waitList_->objects(), kInfinite);
    if (index < 0) {
        running_ = false;
        return;
    }
    const auto slot = static_cast<size_t>(index);
    if (slot < waitList_->controlCount()) {
        handleRequest(static_cast<uint32_t>(slot));
        acknowledgeRequest();
        return;
    }
    KsAudioFilter* filter = waitList_->filterAt(slot);
    waitList_->removeSlot(slot);
    const HRESULT status =
        filter->isCapture() ? filter->processCapture(half_) : filter->processRender(half_);
    if (Failed(status)) {
        // One controller's failure never stops the stream: it stops playing, the others go on.
        // The registry's next pass takes the controller out and back in with new filters, so
        // it rejoins as soon as its card answers again.
        filter->owner().markCardLost();
        deactivateFilter(filter);
        recomputeActiveInputs();
        if (active_.isEmpty()) timer_.restart(nowMs());
    }
    if (waitList_->onlyControls()) completeHalf();
}

void CompositeKsAudioDevice::completeHalf() {
    // What was captured in this half reaches the host with the next switch.
    for (uint32_t channel = 0; channel < kChannels; ++channel) {
        if (activeInput_[channel]) buffers_.publishInput(channel, 1 - half_);
    }
    bufferSwitch(half_);
    half_ ^= 1;
    refillWaitList();
}

void CompositeKsAudioDevice::refillWaitList() {
    waitList_->clearFilters();
    for (KsAudioFilter* filter : active_)
        waitList_->add(filter, &filter->halfEvent(half_));
}

void CompositeKsAudioDevice::bufferSwitch(uint32_t half) {
    const uint64_t nanoseconds =
        counterToNanoseconds(environment_.performanceCounter->counter(), counterFrequency_);
    ASIOSamples samples;
    ASIOTimeStamp stamp;
    position_.advance(bufferSize_, nanoseconds, samples, stamp);
    ASIOCallbacks* callbacks = callbacks_.load();
    if (callbacks == nullptr) return;
    const auto index = static_cast<int32_t>(half);
    if (!timeInfoMode_) {
        if (callbacks->bufferSwitch != nullptr) callbacks->bufferSwitch(index, ASIOFalse);
        return;
    }
    AsioTimeInfo& info = timeInfo_.timeInfo;
    info.samplePosition = samples;
    info.systemTime = stamp;
    info.sampleRate = sampleRate_.load();
    info.flags |= pendingTimeFlags_.exchange(0);
    callbacks->bufferSwitchTimeInfo(&timeInfo_, index, ASIOFalse);
    info.flags &= ~(kSampleRateChanged | kClockSourceChanged);
}

void CompositeKsAudioDevice::handleRequest(uint32_t request) {
    switch (request) {
        case kQuit:
            running_ = false;
            break;
        case kPause:
            if (!setActiveStates(KSSTATE_PAUSE)) break;
            // A stream starting from stop queues both halves at once.
            if (streamState_ == KSSTATE_STOP) {
                for (KsAudioFilter* filter : active_) {
                    filter->halfEvent(0).set();
                    filter->halfEvent(1).set();
                }
            }
            streamState_ = KSSTATE_PAUSE;
            break;
        case kRun:
            if (!setActiveStates(KSSTATE_RUN)) break;
            streamState_ = KSSTATE_RUN;
            break;
        case kAddFilter:
            handleAddFilter(requestFilter_);
            requestFilter_ = nullptr;
            break;
        case kRemoveFilter:
            handleRemoveFilter(requestFilter_);
            requestFilter_ = nullptr;
            break;
        default:
            break;
    }
}

bool CompositeKsAudioDevice::setActiveStates(KSSTATE state) {
    for (KsAudioFilter* filter : active_) {
        if (Failed(filter->setState(state))) {
            // The stream cannot go on in step: it ends, and the host hears no more switches
            // until it disposes the buffers. A card replugged while nothing streamed fails
            // here first; the mark lets the registry's next pass open it anew, or the host's
            // next stream would fail the same way for as long as it stays plugged.
            filter->owner().markCardLost();
            running_ = false;
            return false;
        }
    }
    return true;
}

void CompositeKsAudioDevice::handleAddFilter(KsAudioFilter* filter) {
    if (filter == nullptr) return;
    {
        std::lock_guard lock(filtersMutex_);
        if (!filters_.add(filter)) {
            delete filter;
            return;
        }
    }
    if (!mapsChannelInUse(filter) || active_.size() >= kMaxActiveFilters) return;
    active_.add(filter);
    activeCount_.store(active_.size());
    waitList_->add(filter, &filter->halfEvent(half_));
    bool joined =
        filter->setSampleRate(sampleRate_.load()) == ASE_OK && prepareFilter(filter) == ASE_OK;
    if (joined && streamState_ != KSSTATE_STOP) {
        joined = Succeeded(filter->setState(streamState_));
        if (joined) {
            filter->halfEvent(0).set();
            filter->halfEvent(1).set();
        }
    }
    if (!joined) deactivateFilter(filter);
    recomputeActiveInputs();
}

void CompositeKsAudioDevice::handleRemoveFilter(KsAudioFilter* filter) {
    if (filter == nullptr) return;
    if (active_.contains(filter)) {
        deactivateFilter(filter);
        recomputeActiveInputs();
        if (active_.isEmpty()) timer_.restart(nowMs());
    }
    std::lock_guard lock(filtersMutex_);
    filters_.remove(filter);
}

void CompositeKsAudioDevice::deactivateFilter(KsAudioFilter* filter) {
    // Stopping the pin completes its pending requests, so their memory can go.
    filter->setState(KSSTATE_STOP);
    active_.remove(filter);
    activeCount_.store(active_.size());
    waitList_->remove(filter);
    filter->halfEvent(0).reset();
    filter->halfEvent(1).reset();
    filter->release();
}

void CompositeKsAudioDevice::leaveStreamingLoop() {
    for (KsAudioFilter* filter : active_) {
        if (Failed(filter->setState(KSSTATE_STOP))) break;
    }
    for (KsAudioFilter* filter : active_) {
        filter->halfEvent(0).reset();
        filter->halfEvent(1).reset();
    }
    waitList_.reset();
    streamingThreadId_.store(std::thread::id());
    acknowledgeRequest();
    threadExited_.set();
}

void CompositeKsAudioDevice::acknowledgeRequest() {
    done_.set();
    control_.release();
}

}  // namespace qmt
