// The host's side of the composite device: channels, rates, buffers, the control requests
// that drive the streaming thread, and controllers arriving and leaving.

#include "asio/CompositeKsAudioDevice.h"

#include <new>

#include "asio/AsioBrandIf.h"
#include "asio/AsioDeviceInfo.h"
#include "asio/AsioDeviceRegistry.h"
#include "asio/KsAudioCaptureFilter.h"
#include "asio/KsAudioRenderFilter.h"

namespace qmt {

namespace {

ASIOSampleType sampleTypeOf(uint32_t bits) {
    if (bits == 16) return ASIOSTInt16LSB;
    if (bits == 24) return ASIOSTInt24LSB;
    return ASIOSTInt32LSB;
}

bool configurationMaps(const AsioDeviceConfigurationIf& configuration, bool capture) {
    const uint32_t count =
        capture ? configuration.getCaptureChannelCount() : configuration.getRenderChannelCount();
    for (uint32_t channel = 0; channel < count; ++channel) {
        const uint8_t asio = capture ? configuration.getInputChannel(channel)
                                     : configuration.getOutputChannel(channel);
        if (asio != kAsioChannelDisabled) return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<CompositeKsAudioDevice> CompositeKsAudioDevice::create(
    AsioDeviceRegistry& registry, AsioEnvironment& environment) {
    std::unique_ptr<CompositeKsAudioDevice> device(
        new (std::nothrow) CompositeKsAudioDevice(registry, environment));
    if (!device || !registry.addEventHandler(device.get())) return nullptr;
    return device;
}

CompositeKsAudioDevice::CompositeKsAudioDevice(AsioDeviceRegistry& registry,
                                               AsioEnvironment& environment)
    : registry_(registry),
      environment_(environment),
      bits_(AsioBrandIf::instance()->getSampleBitDepth()),
      counterFrequency_(environment.performanceCounter->frequency()),
      sampleRate_(AsioBrandIf::instance()->getDefaultSampleRate()) {}

CompositeKsAudioDevice::~CompositeKsAudioDevice() {
    disposeBuffers();
    // Not under deviceMutex_: the registry's thread may be inside stateChanged, holding the
    // registry mutex and waiting for deviceMutex_.
    registry_.removeEventHandler(this);
    std::lock_guard lock(filtersMutex_);
    filters_.deleteAll();
}

ASIOError CompositeKsAudioDevice::getChannels(int32_t* numInputs, int32_t* numOutputs) {
    *numInputs = kChannels;
    *numOutputs = kChannels;
    return ASE_OK;
}

ASIOError CompositeKsAudioDevice::getChannelInfo(ASIOChannelInfo* info) {
    info->type = sampleTypeOf(bits_);
    info->channelGroup = 0;
    info->isActive = ASIOFalse;
    const bool input = info->isInput != ASIOFalse;
    std::lock_guard lock(filtersMutex_);
    for (KsAudioFilter* filter : filters_) {
        if (filter->isCapture() != input) continue;
        for (uint32_t i = 0; i < filter->channelCount(); ++i) {
            if (filter->asioChannel(i) == info->channel) info->isActive = ASIOTrue;
        }
    }
    return ASE_OK;
}

ASIOError CompositeKsAudioDevice::canSampleRate(ASIOSampleRate rate) {
    std::lock_guard lock(filtersMutex_);
    for (KsAudioFilter* filter : filters_) {
        const ASIOError answer = filter->canSampleRate(rate);
        if (answer != ASE_OK) return answer;
    }
    return ASE_OK;
}

ASIOError CompositeKsAudioDevice::getSampleRate(ASIOSampleRate* rate) {
    *rate = sampleRate_.load();
    return ASE_OK;
}

ASIOError CompositeKsAudioDevice::setSampleRate(ASIOSampleRate rate) {
    if (onStreamingThread()) return ASE_InvalidMode;
    bool changed = false;
    ASIOError error;
    {
        std::lock_guard lock(deviceMutex_);
        error = setSampleRateLocked(rate, changed);
    }
    // Outside the lock: the host may call back into the device from its notification.
    ASIOCallbacks* callbacks = callbacks_.load();
    if (changed && callbacks != nullptr && callbacks->sampleRateDidChange != nullptr) {
        callbacks->sampleRateDidChange(rate);
    }
    return error;
}

ASIOError CompositeKsAudioDevice::setSampleRateLocked(ASIOSampleRate rate, bool& changed) {
    const ASIOSampleRate previous = sampleRate_.load();
    if (sampleRateSet_ && rate == previous) return ASE_OK;
    sampleRateSet_ = true;
    const bool restart = streaming_.load() && rate != previous;
    const KSSTATE streamState = restart ? stopStreamingThread() : KSSTATE_STOP;
    const ASIOError error = applySampleRate(rate, previous);
    if (error == ASE_OK && rate != previous) {
        sampleRate_.store(rate);
        pendingTimeFlags_ |= kSampleRateChanged;
        changed = true;
    }
    if (restart) {
        releaseActiveFilters();
        const ASIOError prepared = prepareActiveFilters();
        if (prepared != ASE_OK || !startStreamingThread(streamState)) {
            // The host's buffers stay; with no filter left the timer keeps the switches.
            releaseActiveFilters();
            active_.clear();
            activeCount_.store(0);
            recomputeActiveInputs();
            startStreamingThread(streamState);
        }
    }
    return error;
}

ASIOError CompositeKsAudioDevice::applySampleRate(ASIOSampleRate rate, ASIOSampleRate previous) {
    std::lock_guard lock(filtersMutex_);
    for (KsAudioFilter* filter : filters_) {
        const ASIOError error = filter->setSampleRate(rate);
        if (error == ASE_OK) continue;
        for (KsAudioFilter* back : filters_)
            back->setSampleRate(previous);
        return error;
    }
    return ASE_OK;
}

ASIOError CompositeKsAudioDevice::createBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels,
                                                int32_t bufferSize, ASIOCallbacks* callbacks) {
    if (onStreamingThread()) return ASE_InvalidMode;
    if (callbacks == nullptr || numChannels > kMaxBufferInfos || numChannels < 0 ||
        (numChannels > 0 && bufferInfos == nullptr) || bufferSize <= 0) {
        return ASE_InvalidParameter;
    }
    std::lock_guard lock(deviceMutex_);
    if (streaming_.load()) return ASE_InvalidMode;
    clearPendingEvents();
    ASIOError error = markChannelsInUse(bufferInfos, numChannels);
    if (error != ASE_OK) return error;
    rebuildActiveList();
    bool changed = false;
    error = setSampleRateLocked(sampleRate_.load(), changed);
    if (error != ASE_OK) {
        active_.clear();
        activeCount_.store(0);
        return error;
    }
    numChannels_ = numChannels;
    bufferSize_ = static_cast<uint32_t>(bufferSize);
    if (!buffers_.allocate(channelInUse_, bufferSize_, bits_)) {
        freeBuffers(bufferInfos, numChannels);
        return ASE_NoMemory;
    }
    handOutBuffers(bufferInfos, numChannels);
    error = prepareActiveFilters();
    if (error != ASE_OK) {
        releaseActiveFilters();
        freeBuffers(bufferInfos, numChannels);
        return error;
    }
    recomputeActiveInputs();
    useCallbacks(callbacks);
    position_.reset();
    if (!startStreamingThread(KSSTATE_STOP)) {
        releaseActiveFilters();
        freeBuffers(bufferInfos, numChannels);
        return ASE_NoMemory;
    }
    return ASE_OK;
}

void CompositeKsAudioDevice::clearPendingEvents() {
    for (Event& request : requests_)
        request.wait(0);
    std::lock_guard lock(filtersMutex_);
    for (KsAudioFilter* filter : filters_) {
        filter->halfEvent(0).wait(0);
        filter->halfEvent(1).wait(0);
    }
}

ASIOError CompositeKsAudioDevice::markChannelsInUse(const ASIOBufferInfo* bufferInfos,
                                                    int32_t numChannels) {
    for (bool& active : activeInput_)
        active = false;
    for (bool& inUse : channelInUse_)
        inUse = false;
    for (int32_t i = 0; i < numChannels; ++i) {
        const ASIOBufferInfo& info = bufferInfos[i];
        const bool valid =
            info.channelNum >= 0 && info.channelNum < static_cast<int32_t>(kChannels);
        bool* inUse =
            valid ? &channelInUse_[(info.isInput != ASIOFalse ? 0 : kChannels) + info.channelNum]
                  : nullptr;
        if (inUse == nullptr || *inUse) {
            for (bool& flag : channelInUse_)
                flag = false;
            return ASE_InvalidParameter;
        }
        *inUse = true;
    }
    return ASE_OK;
}

void CompositeKsAudioDevice::rebuildActiveList() {
    active_.clear();
    std::lock_guard lock(filtersMutex_);
    for (KsAudioFilter* filter : filters_) {
        if (active_.size() < kMaxActiveFilters && mapsChannelInUse(filter)) active_.add(filter);
    }
    activeCount_.store(active_.size());
}

bool CompositeKsAudioDevice::mapsChannelInUse(KsAudioFilter* filter) const {
    const uint32_t offset = filter->isCapture() ? 0 : kChannels;
    for (uint32_t i = 0; i < filter->channelCount(); ++i) {
        const uint8_t asio = filter->asioChannel(i);
        if (asio < kChannels && channelInUse_[offset + asio]) return true;
    }
    return false;
}

void CompositeKsAudioDevice::handOutBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels) {
    for (int32_t i = 0; i < numChannels; ++i) {
        ASIOBufferInfo& info = bufferInfos[i];
        const auto channel = static_cast<uint32_t>(info.channelNum);
        for (uint32_t half = 0; half < 2; ++half) {
            info.buffers[half] = info.isInput != ASIOFalse ? buffers_.input(channel, half)
                                                           : buffers_.output(channel, half);
        }
    }
}

ASIOError CompositeKsAudioDevice::prepareFilter(KsAudioFilter* filter) {
    // Two per pin channel: its buffer in half 0 and half 1. A capture channel adds into its
    // input's accumulator in both halves.
    void* channelBuffers[kChannels * 2] = {};
    const bool capture = filter->isCapture();
    for (uint32_t i = 0; i < filter->channelCount() && i < kChannels; ++i) {
        const uint8_t asio = filter->asioChannel(i);
        if (asio >= kChannels || !channelInUse_[(capture ? 0 : kChannels) + asio]) continue;
        for (uint32_t half = 0; half < 2; ++half) {
            channelBuffers[i * 2 + half] = capture ? static_cast<void*>(buffers_.accumulator(asio))
                                                   : buffers_.output(asio, half);
        }
    }
    return filter->prepare(channelBuffers, bufferSize_, bits_);
}

ASIOError CompositeKsAudioDevice::prepareActiveFilters() {
    for (KsAudioFilter* filter : active_) {
        const ASIOError error = prepareFilter(filter);
        if (error != ASE_OK) return error;
    }
    return ASE_OK;
}

void CompositeKsAudioDevice::releaseActiveFilters() {
    for (KsAudioFilter* filter : active_)
        filter->release();
}

void CompositeKsAudioDevice::recomputeActiveInputs() {
    bool fed[kChannels] = {};
    for (KsAudioFilter* filter : active_) {
        if (!filter->isCapture()) continue;
        for (uint32_t i = 0; i < filter->channelCount(); ++i) {
            const uint8_t asio = filter->asioChannel(i);
            if (asio < kChannels && channelInUse_[asio]) fed[asio] = true;
        }
    }
    for (uint32_t channel = 0; channel < kChannels; ++channel) {
        if (activeInput_[channel] && !fed[channel]) buffers_.silenceInput(channel);
        activeInput_[channel] = fed[channel];
    }
}

void CompositeKsAudioDevice::useCallbacks(ASIOCallbacks* callbacks) {
    callbacks_.store(callbacks);
    timeInfoMode_ = callbacks->asioMessage != nullptr &&
                    callbacks->asioMessage(kAsioSupportsTimeInfo, 0, nullptr, nullptr) != 0 &&
                    callbacks->bufferSwitchTimeInfo != nullptr;
    timeInfo_ = ASIOTime{};
    timeInfo_.timeInfo.speed = 1.0;
    timeInfo_.timeInfo.sampleRate = sampleRate_.load();
    timeInfo_.timeInfo.flags = kSystemTimeValid | kSamplePositionValid | kSampleRateValid;
    timeInfo_.timeCode.speed = 1.0;
    timeInfo_.timeCode.flags = kTcValid | kTcRunning;
}

void CompositeKsAudioDevice::freeBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels) {
    for (int32_t i = 0; bufferInfos != nullptr && i < numChannels; ++i) {
        bufferInfos[i].buffers[0] = nullptr;
        bufferInfos[i].buffers[1] = nullptr;
    }
    active_.clear();
    activeCount_.store(0);
    buffers_.free();
    for (bool& inUse : channelInUse_)
        inUse = false;
    for (bool& active : activeInput_)
        active = false;
    bufferSize_ = 0;
    numChannels_ = 0;
    callbacks_.store(nullptr);
}

ASIOError CompositeKsAudioDevice::disposeBuffers() {
    if (onStreamingThread()) return ASE_InvalidMode;
    std::lock_guard lock(deviceMutex_);
    stopStreamingThread();
    releaseActiveFilters();
    freeBuffers(nullptr, 0);
    return ASE_OK;
}

ASIOError CompositeKsAudioDevice::start() {
    if (!streaming_.load()) return ASE_NotPresent;
    position_.reset();
    if (onStreamingThread()) {
        handleRequest(kRun);
        return ASE_OK;
    }
    sendRequest(kRun, false);
    return ASE_OK;
}

ASIOError CompositeKsAudioDevice::stop() {
    if (onStreamingThread()) {
        handleRequest(kPause);
        return ASE_OK;
    }
    if (streaming_.load()) sendRequest(kPause, true);
    return ASE_OK;
}

ASIOError CompositeKsAudioDevice::getSamplePosition(ASIOSamples* samplePosition,
                                                    ASIOTimeStamp* timeStamp) {
    position_.get(*samplePosition, *timeStamp);
    return ASE_OK;
}

bool CompositeKsAudioDevice::startStreamingThread(KSSTATE streamState) {
    for (Event& request : requests_)
        request.wait(0);
    // A new thread starts with the semaphore free, whatever the last one left.
    control_.wait(0);
    control_.release();
    threadExited_.reset();
    done_.set();
    try {
        thread_ = std::thread(&CompositeKsAudioDevice::streamingThread, this);
    } catch (...) {
        threadExited_.set();
        return false;
    }
    streaming_.store(true);
    sendRequest(kPause, false);
    if (streamState == KSSTATE_RUN) sendRequest(kRun, false);
    return true;
}

KSSTATE CompositeKsAudioDevice::stopStreamingThread() {
    if (!thread_.joinable()) return KSSTATE_STOP;
    sendRequest(kQuit, true);
    thread_.join();
    streaming_.store(false);
    return streamState_;
}

bool CompositeKsAudioDevice::sendRequest(Request request, bool wait) {
    // A thread that ended (a pin refused a state) answers no more requests, and the one it
    // was answering may leave the semaphore taken: its end lets every sender go.
    Waitable* admission[] = {&control_, &threadExited_};
    if (Waitable::waitForAny(admission, kInfinite) != 0) return false;
    if (threadExited_.isSet()) {
        control_.release();
        return false;
    }
    if (!wait) {
        requests_[request].set();
        return true;
    }
    done_.reset();
    requests_[request].set();
    Waitable* handled[] = {&done_, &threadExited_};
    Waitable::waitForAny(handled, kInfinite);
    return true;
}

bool CompositeKsAudioDevice::onStreamingThread() const {
    return std::this_thread::get_id() == streamingThreadId_.load();
}

size_t CompositeKsAudioDevice::filterCount() {
    std::lock_guard lock(filtersMutex_);
    return filters_.size();
}

size_t CompositeKsAudioDevice::activeFilterCount() {
    return activeCount_.load();
}

// --- controllers arriving and leaving (the registry's thread, registry mutex held) ---

void CompositeKsAudioDevice::stateChanged(DeviceInfo* device, uint32_t newState,
                                          uint32_t oldState) {
    if (oldState == DeviceInfo::kUnknownState || newState == DeviceInfo::kUnknownState) return;
    const bool was = (oldState & DeviceInfo::kPresent) != 0;
    const bool is = (newState & DeviceInfo::kPresent) != 0;
    if (!was && is) deviceArrived(static_cast<AsioDeviceInfo*>(device));
    if (was && !is) deviceLeft(device);
}

void CompositeKsAudioDevice::deviceArrived(AsioDeviceInfo* device) {
    if (!device->isPresent()) return;
    const AsioDeviceConfigurationIf* configuration = device->getSelectedConfiguration();
    if (configuration == nullptr) return;
    if (configurationMaps(*configuration, false)) {
        addFilter(KsAudioRenderFilter::create(*device, bits_).release());
    }
    if (configurationMaps(*configuration, true)) {
        addFilter(KsAudioCaptureFilter::create(*device, bits_).release());
    }
}

void CompositeKsAudioDevice::deviceLeft(DeviceInfo* device) {
    std::vector<KsAudioFilter*> leaving;
    {
        std::lock_guard lock(filtersMutex_);
        for (KsAudioFilter* filter : filters_) {
            if (&filter->owner() == device) leaving.push_back(filter);
        }
    }
    for (KsAudioFilter* filter : leaving)
        removeFilter(filter);
}

void CompositeKsAudioDevice::addFilter(KsAudioFilter* filter) {
    if (filter == nullptr) return;
    std::lock_guard lock(deviceMutex_);
    if (streaming_.load()) {
        requestFilter_ = filter;
        sendRequest(kAddFilter, true);
        // Taken by the thread, unless it ended before it could take it.
        if (requestFilter_ == nullptr) return;
        requestFilter_ = nullptr;
    }
    // Every filter plays at the device's rate, also one that arrives between a rate change
    // and the next createBuffers.
    filter->setSampleRate(sampleRate_.load());
    std::lock_guard listLock(filtersMutex_);
    if (!filters_.add(filter)) delete filter;
}

void CompositeKsAudioDevice::removeFilter(KsAudioFilter* filter) {
    std::unique_lock lock(deviceMutex_);
    if (streaming_.load()) {
        requestFilter_ = filter;
        sendRequest(kRemoveFilter, true);
        const bool taken = requestFilter_ == nullptr;
        requestFilter_ = nullptr;
        if (taken) {
            lock.unlock();
            delete filter;
            return;
        }
    }
    // No thread (or one that has ended): the filter is ours to take out.
    if (active_.contains(filter)) {
        filter->setState(KSSTATE_STOP);
        filter->release();
        active_.remove(filter);
        activeCount_.store(active_.size());
        recomputeActiveInputs();
    }
    {
        std::lock_guard listLock(filtersMutex_);
        filters_.remove(filter);
    }
    lock.unlock();
    delete filter;
}

}  // namespace qmt
