#include "platform/sim/SimSoundCard.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qmt {

namespace {

constexpr int64_t kNanosecondsPerSecond = 1'000'000'000;

const HRESULT kGone = HresultFromWin32(kErrorDeviceNotConnected);
const HRESULT kCancelled = HresultFromWin32(kErrorOperationAborted);
const HRESULT kBusy = HresultFromWin32(kErrorBusy);
const HRESULT kNoMatch = HresultFromWin32(kErrorNoMatch);

bool isStreaming(const SimPinProfile& pin) {
    return pin.communication == KSPIN_COMMUNICATION_SINK ||
           pin.communication == KSPIN_COMMUNICATION_SOURCE ||
           pin.communication == KSPIN_COMMUNICATION_BOTH;
}

bool matchesOrWild(const Guid& value, const Guid& wanted) {
    return value == wanted || value == KSDATAFORMAT_WILDCARD;
}

int32_t toSample(double value, unsigned bits) {
    const double scale = std::ldexp(1.0, static_cast<int>(bits) - 1);
    const double limit = scale - 1;
    return static_cast<int32_t>(std::clamp(std::round(value * scale), -scale, limit));
}

}  // namespace

// A filter keeps the pins the card had when it was opened, and dies with an unplug.
class SimCardFilter final : public AudioCardFilterIf {
  public:
    SimCardFilter(std::shared_ptr<SimSoundCard> card, SimSoundCardProfile profile,
                  uint64_t generation)
        : card_(std::move(card)), profile_(std::move(profile)), generation_(generation) {}

    std::string friendlyName() override { return profile_.name; }
    uint32_t pinCount() override { return static_cast<uint32_t>(profile_.pins.size()); }

    HRESULT describePin(uint32_t pin, AudioPinDescription& description) override {
        if (pin >= profile_.pins.size()) return E_INVALIDARG;
        const SimPinProfile& profile = profile_.pins[pin];
        description = AudioPinDescription{};
        description.dataFlow = profile.dataFlow;
        description.communication = profile.communication;
        description.name = profile.name;
        const HRESULT status = card_->describe(isStreaming(profile), generation_, detail_);
        if (Failed(status)) return status;
        description.interfaces.push_back(
            {KSINTERFACESETID_Standard, KSINTERFACE_STANDARD_STREAMING, 0});
        description.mediums.push_back({KSMEDIUMSETID_Standard, KSMEDIUM_TYPE_ANYINSTANCE, 0});
        if (isStreaming(profile)) description.dataRanges = profile.ranges;
        return S_OK;
    }

    HRESULT createPin(const KSPIN_CONNECT& connect, const KSDATAFORMAT& format,
                      std::span<const uint8_t> waveFormat,
                      std::unique_ptr<AudioCardPinIf>& pin) override;

    std::string lastErrorDetail() override { return detail_; }

  private:
    std::shared_ptr<SimSoundCard> card_;
    const SimSoundCardProfile profile_;
    const uint64_t generation_;
    std::string detail_;
};

class SimCardPin final : public AudioCardPinIf {
  public:
    explicit SimCardPin(std::shared_ptr<SimSoundCard> card) : card_(std::move(card)) {}
    ~SimCardPin() override { card_->close(instance_); }

    HRESULT setState(KSSTATE state) override { return card_->setState(instance_, state); }
    HRESULT readStream(KsStreamRequest& request) override {
        return card_->submit(instance_, request, KSPIN_DATAFLOW_OUT);
    }
    HRESULT writeStream(KsStreamRequest& request) override {
        return card_->submit(instance_, request, KSPIN_DATAFLOW_IN);
    }

    SimSoundCard::Instance instance_;

  private:
    std::shared_ptr<SimSoundCard> card_;
};

HRESULT SimCardFilter::createPin(const KSPIN_CONNECT& connect, const KSDATAFORMAT& format,
                                 std::span<const uint8_t> waveFormat,
                                 std::unique_ptr<AudioCardPinIf>& pin) {
    detail_.clear();
    if (connect.PinId >= profile_.pins.size()) return E_INVALIDARG;
    const SimPinProfile& profile = profile_.pins[connect.PinId];
    if (!isStreaming(profile)) return HresultFromWin32(kErrorNotSupported);
    if (connect.Interface.Set != KSINTERFACESETID_Standard ||
        connect.Interface.Id != KSINTERFACE_STANDARD_STREAMING ||
        connect.Medium.Set != KSMEDIUMSETID_Standard)
        return kNoMatch;
    if (format.FormatSize != sizeof(KSDATAFORMAT) + waveFormat.size()) return E_INVALIDARG;
    PcmWaveFormat wave;
    if (format.MajorFormat != KSDATAFORMAT_TYPE_AUDIO ||
        format.SubFormat != KSDATAFORMAT_SUBTYPE_PCM ||
        format.Specifier != KSDATAFORMAT_SPECIFIER_WAVEFORMATEX ||
        !DecodePcmWaveFormat(waveFormat, wave) || !card_->accepts(profile, wave))
        return kNoMatch;
    auto created = std::make_unique<SimCardPin>(card_);
    created->instance_.pinId = connect.PinId;
    created->instance_.dataFlow = profile.dataFlow;
    created->instance_.format = wave;
    const HRESULT status = card_->create(created->instance_, generation_, detail_);
    if (Failed(status)) return status;  // never registered: its destructor closes nothing
    pin = std::move(created);
    return S_OK;
}

SimSoundCard::SimSoundCard(SimSoundCardProfile profile)
    : profile_(std::move(profile)), signal_(sine(1000.0, 0.5)) {}

void SimSoundCard::setProfile(SimSoundCardProfile profile) {
    std::lock_guard lock(mutex_);
    profile_ = std::move(profile);
}

SimSoundCardProfile SimSoundCard::profile() {
    std::lock_guard lock(mutex_);
    return profile_;
}

std::unique_ptr<AudioCardFilterIf> SimSoundCard::openFilter() {
    std::lock_guard lock(mutex_);
    if (!plugged_) return nullptr;
    return std::make_unique<SimCardFilter>(shared_from_this(), profile_, generation_);
}

HRESULT SimSoundCard::describe(bool streaming, uint64_t generation, std::string& detail) {
    std::lock_guard lock(mutex_);
    detail.clear();
    if (generation != generation_ || !plugged_) return kGone;
    if (streaming && !holder_.empty()) {
        detail = "in use by " + holder_;
        return kBusy;
    }
    return S_OK;
}

HRESULT SimSoundCard::create(Instance& instance, uint64_t generation, std::string& detail) {
    std::lock_guard lock(mutex_);
    if (generation != generation_ || !plugged_) return kGone;
    if (!holder_.empty()) {
        detail = "in use by " + holder_;
        return kBusy;
    }
    for (const Instance* other : instances_) {
        if (other->pinId == instance.pinId) {
            detail = "the pin is open already";
            return kBusy;
        }
    }
    instances_.push_back(&instance);
    if (instance.dataFlow == KSPIN_DATAFLOW_IN) {
        const PcmWaveFormat& f = instance.format;
        if (f.channels != recordedFormat_.channels || f.sampleRate != recordedFormat_.sampleRate ||
            f.bitsPerSample != recordedFormat_.bitsPerSample)
            recording_.assign(f.channels, {});
        recordedFormat_ = f;
    }
    return S_OK;
}

bool SimSoundCard::accepts(const SimPinProfile& pin, const PcmWaveFormat& format) const {
    const unsigned bits = format.bitsPerSample;
    if ((bits != 16 && bits != 24 && bits != 32) || format.validBits != bits) return false;
    if (format.extensible) {
        if (pin.refusesExtensible) return false;
        if (!pin.channelMasks.empty() && std::find(pin.channelMasks.begin(), pin.channelMasks.end(),
                                                   format.channelMask) == pin.channelMasks.end())
            return false;
    }
    for (const KSDATARANGE_AUDIO& range : pin.ranges) {
        if (matchesOrWild(range.DataRange.MajorFormat, KSDATAFORMAT_TYPE_AUDIO) &&
            matchesOrWild(range.DataRange.SubFormat, KSDATAFORMAT_SUBTYPE_PCM) &&
            matchesOrWild(range.DataRange.Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX) &&
            range.MaximumChannels == format.channels && range.MinimumBitsPerSample <= bits &&
            bits <= range.MaximumBitsPerSample &&
            range.MinimumSampleFrequency <= format.sampleRate &&
            format.sampleRate <= range.MaximumSampleFrequency)
            return true;
    }
    return false;
}

HRESULT SimSoundCard::setState(Instance& instance, KSSTATE state) {
    std::lock_guard lock(mutex_);
    if (instance.gone) return kGone;
    if (state == instance.state) return S_OK;
    const int step = static_cast<int>(state) - static_cast<int>(instance.state);
    if (state > KSSTATE_RUN || (step != 1 && step != -1)) return E_INVALIDARG;
    if (Failed(stateFailure_)) return stateFailure_;
    instance.state = state;
    if (state == KSSTATE_STOP) cancelAll(instance, kCancelled);
    return S_OK;
}

HRESULT SimSoundCard::submit(Instance& instance, KsStreamRequest& request,
                             KSPIN_DATAFLOW expected) {
    std::lock_guard lock(mutex_);
    if (instance.gone) return kGone;
    if (instance.dataFlow != expected || request.overlapped.event == nullptr) return E_INVALIDARG;
    if (instance.state == KSSTATE_STOP) return HresultFromWin32(kErrorNotReady);
    auto failure = requestFailures_.find(expected);
    if (failure != requestFailures_.end() && failure->second.second > 0) {
        --failure->second.second;
        return failure->second.first;
    }
    const uint32_t bytes =
        expected == KSPIN_DATAFLOW_OUT ? request.header.FrameExtent : request.header.DataUsed;
    if (expected == KSPIN_DATAFLOW_OUT) request.header.DataUsed = 0;
    instance.queue.push_back(&request);
    // Nothing to move: done at once, in order.
    if (bytes < instance.format.blockAlign && instance.queue.size() == 1) complete(instance, S_OK);
    return S_OK;
}

void SimSoundCard::close(Instance& instance) {
    std::lock_guard lock(mutex_);
    if (std::find(instances_.begin(), instances_.end(), &instance) == instances_.end()) return;
    cancelAll(instance, kCancelled);
    std::erase(instances_, &instance);
}

void SimSoundCard::complete(Instance& instance, HRESULT status) {
    KsStreamRequest* request = instance.queue.front();
    instance.queue.pop_front();
    instance.headBytes = 0;
    request->overlapped.status = status;
    request->overlapped.event->set();
}

void SimSoundCard::cancelAll(Instance& instance, HRESULT status) {
    while (!instance.queue.empty()) {
        if (instance.dataFlow == KSPIN_DATAFLOW_OUT)
            instance.queue.front()->header.DataUsed = instance.headBytes;
        complete(instance, status);
    }
}

void SimSoundCard::advanceFrames(uint32_t frames) {
    std::lock_guard lock(mutex_);
    for (Instance* instance : instances_)
        move(*instance, frames);
}

void SimSoundCard::advanceTime(int64_t nanoseconds) {
    std::lock_guard lock(mutex_);
    for (Instance* instance : instances_) {
        if (instance->state != KSSTATE_RUN) continue;
        instance->carried += nanoseconds * instance->format.sampleRate;
        const int64_t frames = instance->carried / kNanosecondsPerSecond;
        instance->carried %= kNanosecondsPerSecond;
        move(*instance, static_cast<uint64_t>(frames));
    }
}

int64_t SimSoundCard::nanosecondsToNextCompletion() {
    std::lock_guard lock(mutex_);
    int64_t soonest = -1;
    for (const Instance* instance : instances_) {
        if (instance->state != KSSTATE_RUN || instance->gone || instance->queue.empty()) continue;
        const KSSTREAM_HEADER& head = instance->queue.front()->header;
        const uint32_t bytes =
            instance->dataFlow == KSPIN_DATAFLOW_OUT ? head.FrameExtent : head.DataUsed;
        const int64_t frames = (bytes - instance->headBytes) / instance->format.blockAlign;
        // The clock carries nanoseconds × rate; the request is done once frames × 10^9 of them.
        const int64_t rate = instance->format.sampleRate;
        const int64_t owed =
            std::max<int64_t>(frames * kNanosecondsPerSecond - instance->carried, 0);
        const int64_t nanoseconds = (owed + rate - 1) / rate;
        soonest = soonest < 0 ? nanoseconds : std::min(soonest, nanoseconds);
    }
    return soonest;
}

void SimSoundCard::move(Instance& instance, uint64_t frames) {
    if (instance.state != KSSTATE_RUN || instance.gone || frames == 0) return;
    if (instance.dataFlow == KSPIN_DATAFLOW_OUT) {
        moveCapture(instance, frames);
    } else {
        moveRender(instance, frames);
    }
}

void SimSoundCard::moveCapture(Instance& instance, uint64_t frames) {
    const PcmWaveFormat& f = instance.format;
    const unsigned bytes = f.bitsPerSample / 8;
    while (frames > 0) {
        if (instance.queue.empty()) {
            starved_[instance.dataFlow] += frames;
            instance.frame += frames;
            return;
        }
        KsStreamRequest& request = *instance.queue.front();
        const uint32_t room = (request.header.FrameExtent - instance.headBytes) / f.blockAlign;
        const uint64_t n = std::min<uint64_t>(frames, room);
        auto* out = static_cast<uint8_t*>(request.header.Data) + instance.headBytes;
        for (uint64_t i = 0; i < n; ++i) {
            for (unsigned c = 0; c < f.channels; ++c, out += bytes)
                WritePcmSample(
                    out, bytes,
                    toSample(signal_(c, instance.frame + i, f.sampleRate), f.bitsPerSample));
        }
        instance.headBytes += static_cast<uint32_t>(n) * f.blockAlign;
        instance.frame += n;
        frames -= n;
        if (n == room) {
            request.header.DataUsed = instance.headBytes;
            complete(instance, S_OK);
        }
    }
}

void SimSoundCard::moveRender(Instance& instance, uint64_t frames) {
    const PcmWaveFormat& f = instance.format;
    const unsigned bytes = f.bitsPerSample / 8;
    while (frames > 0) {
        if (instance.queue.empty()) {
            starved_[instance.dataFlow] += frames;
            instance.frame += frames;
            if (!recordingKept_) return;
            for (auto& channel : recording_)
                channel.insert(channel.end(), frames, 0);
            return;
        }
        KsStreamRequest& request = *instance.queue.front();
        const uint32_t room = (request.header.DataUsed - instance.headBytes) / f.blockAlign;
        const uint64_t n = std::min<uint64_t>(frames, room);
        const auto* in = static_cast<const uint8_t*>(request.header.Data) + instance.headBytes;
        for (uint64_t i = 0; recordingKept_ && i < n; ++i) {
            for (unsigned c = 0; c < f.channels; ++c, in += bytes)
                recording_[c].push_back(ReadPcmSample(in, bytes));
        }
        instance.headBytes += static_cast<uint32_t>(n) * f.blockAlign;
        instance.frame += n;
        frames -= n;
        if (n == room) complete(instance, S_OK);
    }
}

void SimSoundCard::setCaptureSignal(Signal signal) {
    std::lock_guard lock(mutex_);
    signal_ = std::move(signal);
}

SimSoundCard::Signal SimSoundCard::sine(double baseHz, double amplitude) {
    return [baseHz, amplitude](unsigned channel, uint64_t frame, uint32_t rate) {
        const double hz = baseHz * (channel + 1);
        return amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(frame) / rate);
    };
}

std::vector<int32_t> SimSoundCard::recorded(unsigned channel) {
    std::lock_guard lock(mutex_);
    return channel < recording_.size() ? recording_[channel] : std::vector<int32_t>{};
}

PcmWaveFormat SimSoundCard::recordedFormat() {
    std::lock_guard lock(mutex_);
    return recordedFormat_;
}

void SimSoundCard::clearRecording() {
    std::lock_guard lock(mutex_);
    for (auto& channel : recording_)
        channel.clear();
}

void SimSoundCard::setRecording(bool keep) {
    std::lock_guard lock(mutex_);
    recordingKept_ = keep;
    if (!keep) {
        for (auto& channel : recording_)
            std::vector<int32_t>().swap(channel);
    }
}

uint64_t SimSoundCard::starvedFrames(KSPIN_DATAFLOW flow) {
    std::lock_guard lock(mutex_);
    return starved_[flow];
}

void SimSoundCard::failNextRequests(KSPIN_DATAFLOW flow, HRESULT status, int count) {
    std::lock_guard lock(mutex_);
    requestFailures_[flow] = {status, count};
}

void SimSoundCard::failStateChanges(HRESULT status) {
    std::lock_guard lock(mutex_);
    stateFailure_ = status;
}

void SimSoundCard::hold(const std::string& holder) {
    std::lock_guard lock(mutex_);
    holder_ = holder;
}

void SimSoundCard::unplug() {
    std::lock_guard lock(mutex_);
    if (!plugged_) return;
    plugged_ = false;
    ++generation_;
    for (Instance* instance : instances_) {
        cancelAll(*instance, kGone);
        instance->gone = true;
    }
}

void SimSoundCard::plug() {
    std::lock_guard lock(mutex_);
    plugged_ = true;
}

SimSoundCard::Instance* SimSoundCard::instanceOf(KSPIN_DATAFLOW flow) {
    for (Instance* instance : instances_)
        if (instance->dataFlow == flow) return instance;
    return nullptr;
}

KSSTATE SimSoundCard::state(KSPIN_DATAFLOW flow) {
    std::lock_guard lock(mutex_);
    const Instance* instance = instanceOf(flow);
    return instance != nullptr ? instance->state : KSSTATE_STOP;
}

size_t SimSoundCard::pendingRequests(KSPIN_DATAFLOW flow) {
    std::lock_guard lock(mutex_);
    const Instance* instance = instanceOf(flow);
    return instance != nullptr ? instance->queue.size() : 0;
}

bool SimSoundCard::hasPin(KSPIN_DATAFLOW flow) {
    std::lock_guard lock(mutex_);
    return instanceOf(flow) != nullptr;
}

PcmWaveFormat SimSoundCard::pinFormat(KSPIN_DATAFLOW flow) {
    std::lock_guard lock(mutex_);
    const Instance* instance = instanceOf(flow);
    return instance != nullptr ? instance->format : PcmWaveFormat{};
}

}  // namespace qmt
