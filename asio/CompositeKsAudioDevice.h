#pragma once
// All attached controllers' sound cards as one ASIO device of 16 inputs and 16 outputs. It
// owns the host's buffers and the input accumulators, runs the time-critical streaming
// thread that waits for the filters' halves and calls the host's buffer switch, keeps the
// sample position, switches on a timer while no controller plays, and takes controllers in
// and out while the stream runs.
//
// Threads and locks:
// - Host threads call the AudioDeviceIf operations; the registry's thread calls
//   stateChanged with the registry mutex held; the streaming thread runs the stream.
// - Filters belong to the streaming thread while it exists: the others hand it filters to
//   add and remove through control requests, strictly one at a time (the control semaphore),
//   and wait for the done event.
// - deviceMutex_ keeps createBuffers, disposeBuffers, setSampleRate and the hot-plug
//   operations apart: whether a streaming thread exists cannot change while one of them
//   decides what to do. Lock order: registry mutex, deviceMutex_, filtersMutex_. The
//   streaming thread takes only filtersMutex_, and only to change the filter list, which
//   host threads read (getChannelInfo, canSampleRate) under the same lock.
// - A rate change while the stream exists stops the streaming thread, sets the rate on the
//   filters, prepares them again and starts the thread in the state it had: the filters
//   re-negotiate their pins, which must not happen under a running stream.
// - With no controller playing, the timer makes the switches, and only while the stream
//   runs: after stop the host hears nothing, as it would from stopped hardware.
// - start and stop called from the host's buffer switch (on the streaming thread) act at
//   once instead of waiting for the thread that is calling them; createBuffers,
//   disposeBuffers and setSampleRate from there are refused (ASE_InvalidMode).

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "asio/AsioChannelBuffers.h"
#include "asio/AsioEnvironment.h"
#include "asio/AsioSamplePosition.h"
#include "asio/AudioDeviceIf.h"
#include "asio/StreamTimer.h"
#include "asio/StreamingWaitList.h"
#include "common/Event.h"
#include "common/Semaphore.h"
#include "common/Vector.h"
#include "devices/DeviceInfo.h"
#include "platform/KsTypes.h"

namespace qmt {

class AsioDeviceInfo;
class AsioDeviceRegistry;
class KsAudioFilter;

class CompositeKsAudioDevice final : public AudioDeviceIf, public DeviceInfo::EventHandlerIf {
  public:
    static constexpr uint32_t kChannels = 16;
    static constexpr size_t kMaxActiveFilters = 16;
    static constexpr int32_t kMaxBufferInfos = 32;
    // The control requests, by event index.
    enum Request : uint32_t { kQuit = 0, kPause, kRun, kAddFilter, kRemoveFilter, kRequests };

    // Registers with the registry, which reports the controllers already known; null when
    // memory runs out.
    static std::unique_ptr<CompositeKsAudioDevice> create(AsioDeviceRegistry& registry,
                                                          AsioEnvironment& environment);
    ~CompositeKsAudioDevice() override;

    ASIOCallbacks* getCallbacks() override { return callbacks_.load(); }
    ASIOError getChannels(int32_t* numInputs, int32_t* numOutputs) override;
    ASIOError getChannelInfo(ASIOChannelInfo* info) override;
    ASIOError canSampleRate(ASIOSampleRate rate) override;
    ASIOError getSampleRate(ASIOSampleRate* rate) override;
    ASIOError setSampleRate(ASIOSampleRate rate) override;
    ASIOError createBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                            ASIOCallbacks* callbacks) override;
    ASIOError disposeBuffers() override;
    ASIOError start() override;
    ASIOError stop() override;
    ASIOError getSamplePosition(ASIOSamples* samplePosition, ASIOTimeStamp* timeStamp) override;
    ASIOError outputReady() override { return ASE_NotPresent; }

    void stateChanged(DeviceInfo* device, uint32_t newState, uint32_t oldState) override;

    // What tests and the host tool look at.
    size_t filterCount();
    size_t activeFilterCount();
    bool isStreaming() const { return streaming_.load(); }

  private:
    CompositeKsAudioDevice(AsioDeviceRegistry& registry, AsioEnvironment& environment);

    // --- host side (CompositeKsAudioDevice.cpp) ---
    ASIOError setSampleRateLocked(ASIOSampleRate rate, bool& changed);
    ASIOError applySampleRate(ASIOSampleRate rate, ASIOSampleRate previous);
    void clearPendingEvents();
    ASIOError markChannelsInUse(const ASIOBufferInfo* bufferInfos, int32_t numChannels);
    void rebuildActiveList();
    void handOutBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels);
    ASIOError prepareActiveFilters();
    void releaseActiveFilters();
    void useCallbacks(ASIOCallbacks* callbacks);
    bool startStreamingThread(KSSTATE streamState);
    // Returns the state the stream had.
    KSSTATE stopStreamingThread();
    void freeBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels);
    bool sendRequest(Request request, bool wait);
    bool onStreamingThread() const;

    // --- hot plug (CompositeKsAudioDevice.cpp) ---
    void deviceArrived(AsioDeviceInfo* device);
    void deviceLeft(DeviceInfo* device);
    void addFilter(KsAudioFilter* filter);
    void removeFilter(KsAudioFilter* filter);

    // --- shared rules ---
    bool mapsChannelInUse(KsAudioFilter* filter) const;
    ASIOError prepareFilter(KsAudioFilter* filter);
    void recomputeActiveInputs();

    // --- streaming thread (CompositeKsAudioDeviceThread.cpp) ---
    void streamingThread();
    void askForRealTime();
    void timerStep();
    void filterStep();
    void completeHalf();
    void refillWaitList();
    void bufferSwitch(uint32_t half);
    // Handles one request; the loop then acknowledges it. Start and stop from the host's
    // buffer switch call it directly: they hold no semaphore and nobody waits for them.
    void handleRequest(uint32_t request);
    bool setActiveStates(KSSTATE state);
    void handleAddFilter(KsAudioFilter* filter);
    void handleRemoveFilter(KsAudioFilter* filter);
    void deactivateFilter(KsAudioFilter* filter);
    void leaveStreamingLoop();
    void acknowledgeRequest();
    uint32_t nowMs();

    AsioDeviceRegistry& registry_;
    AsioEnvironment& environment_;
    const uint32_t bits_;
    const int64_t counterFrequency_;

    std::mutex deviceMutex_;
    std::mutex filtersMutex_;
    Vector<KsAudioFilter> filters_;       // owned
    Vector<KsAudioFilter> active_;        // not owned: the filters serving a channel in use
    std::atomic<size_t> activeCount_{0};  // for readers on other threads

    std::atomic<ASIOCallbacks*> callbacks_{nullptr};
    AsioSamplePosition position_;
    ASIOTime timeInfo_{};
    // Time-info flags raised on host threads (a new rate), added at the next switch.
    std::atomic<uint32_t> pendingTimeFlags_{0};
    std::atomic<double> sampleRate_;
    bool sampleRateSet_ = false;
    bool timeInfoMode_ = false;
    int32_t numChannels_ = 0;
    uint32_t bufferSize_ = 0;
    bool channelInUse_[kChannels * 2] = {};  // inputs 0 to 15, then outputs
    bool activeInput_[kChannels] = {};
    AsioChannelBuffers buffers_;

    Event requests_[kRequests] = {Event(false), Event(false), Event(false), Event(false),
                                  Event(false)};
    Event done_{true, true};
    Semaphore control_{1, 1};
    // Set while no streaming thread runs, so a request never waits for a thread that is gone.
    Event threadExited_{true, true};
    std::thread thread_;
    std::atomic<bool> streaming_{false};
    std::atomic<std::thread::id> streamingThreadId_{};
    // The filter handed over with an add or remove request; the thread clears it when it
    // took the filter.
    KsAudioFilter* requestFilter_ = nullptr;

    // Owned by the streaming thread while it runs.
    std::unique_ptr<StreamingWaitList> waitList_;
    StreamTimer timer_;
    uint32_t half_ = 0;
    KSSTATE streamState_ = KSSTATE_STOP;
    bool running_ = false;
};

}  // namespace qmt
