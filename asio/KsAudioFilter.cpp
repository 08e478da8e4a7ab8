#include "asio/KsAudioFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "asio/AsioDeviceInfo.h"

namespace qmt {

namespace {

// The rates a card is asked for when it refuses the host's own, in the order of preference
// within each pass.
constexpr double kFallbackRates[] = {48000, 44100, 96000, 22050, 11025};
// Widest first: the converters and the mixing lose nothing going down to the ASIO width.
constexpr uint16_t kNegotiatedBits[] = {32, 24, 16};

bool divides(double small, double large) {
    return small > 0 && std::fmod(large, small) == 0;
}

}  // namespace

KsAudioFilter::KsAudioFilter(AsioDeviceInfo& owner, CKsAudFilter& filter, CKsAudPin* pin,
                             const WAVEFORMATEXTENSIBLE& format, uint32_t asioBits)
    : owner_(owner), filter_(filter), pin_(pin), format_(format), asioBits_(asioBits) {}

KsAudioFilter::~KsAudioFilter() {
    // Stopping completes the pending requests before their buffer goes.
    setState(KSSTATE_STOP);
    if (pin_ != nullptr) pin_->close();
}

std::vector<double> KsAudioFilter::rateCandidates(double requested) {
    std::vector<double> rates{requested};
    const auto pass = [&](auto wanted) {
        for (double rate : kFallbackRates) {
            if (rate != requested && wanted(rate)) rates.push_back(rate);
        }
    };
    pass([&](double rate) { return rate > requested && divides(requested, rate); });
    pass([&](double rate) { return rate > requested && !divides(requested, rate); });
    pass([&](double rate) { return rate < requested && divides(rate, requested); });
    pass([&](double rate) { return rate < requested && !divides(rate, requested); });
    return rates;
}

CKsAudPin* KsAudioFilter::createFirstPin(AsioDeviceInfo& owner, CKsAudFilter& filter, bool capture,
                                         WAVEFORMATEXTENSIBLE& format) {
    const AsioDeviceConfigurationIf* configuration = owner.getSelectedConfiguration();
    if (configuration == nullptr) return nullptr;
    filter.close();
    if (Failed(filter.open()) || Failed(filter.enumeratePins())) return nullptr;
    const auto accepts = [&](const WAVEFORMATEXTENSIBLE& f) {
        return filter.findPin(f) != nullptr;
    };
    for (uint32_t i = 0; i < configuration->getNumberOfFormats(); ++i) {
        const AsioDeviceFormat* listed = configuration->getFormat(i);
        const uint32_t channels = capture ? listed->captureChannels : listed->renderChannels;
        if (channels == 0 || channels > kMaxPinChannels) continue;
        std::vector<WAVEFORMATEXTENSIBLE> formats;
        buildFormats(static_cast<uint16_t>(channels), listed->sampleRate,
                     static_cast<uint16_t>(listed->bits), accepts, formats);
        for (const WAVEFORMATEXTENSIBLE& candidate : formats) {
            HRESULT status = S_OK;
            if (CKsAudPin* pin = filter.createPin(candidate, status)) {
                format = candidate;
                return pin;
            }
        }
    }
    return nullptr;
}

bool KsAudioFilter::acceptsFormat(const WAVEFORMATEXTENSIBLE& format) const {
    return filter_.findPin(format) != nullptr;
}

HRESULT KsAudioFilter::createPin(const WAVEFORMATEXTENSIBLE& format) {
    if (pin_ != nullptr) pin_->close();
    pinState_ = KSSTATE_STOP;
    HRESULT status = S_OK;
    pin_ = filter_.createPin(format, status);
    if (pin_ != nullptr) format_ = format;
    return pin_ != nullptr ? S_OK : status;
}

HRESULT KsAudioFilter::setState(KSSTATE target) {
    if (pin_ == nullptr) return target == KSSTATE_STOP ? S_OK : E_FAIL;
    while (pinState_ != target) {
        const auto next = static_cast<KSSTATE>(pinState_ < target ? pinState_ + 1 : pinState_ - 1);
        const HRESULT status = pin_->setState(next);
        if (Failed(status)) return status;
        pinState_ = next;
    }
    return S_OK;
}

ASIOError KsAudioFilter::canSampleRate(double rate) const {
    if (pin_ == nullptr) return ASE_NotPresent;
    return rate < 0 ? ASE_NoClock : ASE_OK;
}

std::vector<WAVEFORMATEXTENSIBLE> KsAudioFilter::negotiate(double rate) const {
    const auto accepts = [this](const WAVEFORMATEXTENSIBLE& f) { return pin_->acceptsFormat(f); };
    std::vector<WAVEFORMATEXTENSIBLE> formats;
    for (double candidate : rateCandidates(rate)) {
        if (candidate <= 0 || candidate > UINT32_MAX) continue;
        for (uint16_t bits : kNegotiatedBits) {
            buildFormats(static_cast<uint16_t>(channelCount()), static_cast<uint32_t>(candidate),
                         bits, accepts, formats);
        }
    }
    return formats;
}

ASIOError KsAudioFilter::setSampleRate(double rate) {
    if (pin_ == nullptr) return ASE_NotPresent;
    if (rate == asioRate_) return ASE_OK;
    const std::vector<WAVEFORMATEXTENSIBLE> formats = negotiate(rate);
    // A card that takes no rate near the host's keeps its format: the converters bridge it.
    if (!formats.empty() && !sameFormat(formats.front(), format_)) {
        const WAVEFORMATEXTENSIBLE previous = format_;
        const bool created = std::any_of(formats.begin(), formats.end(),
                                         [this](const auto& f) { return Succeeded(createPin(f)); });
        if (!created && Failed(createPin(previous))) return ASE_HWMalfunction;
    }
    asioRate_ = rate;
    return ASE_OK;
}

uint8_t KsAudioFilter::asioChannel(uint32_t channel) const {
    const AsioDeviceConfigurationIf* configuration = owner_.getSelectedConfiguration();
    if (configuration == nullptr) return kUnassigned;
    const uint8_t asio = isCapture() ? configuration->getInputChannel(channel)
                                     : configuration->getOutputChannel(channel);
    return asio < 16 ? asio : kUnassigned;
}

ASIOError KsAudioFilter::allocateHalves(uint32_t frames) {
    halfFrames_ = frames;
    halfBytes_ = size_t{frames} * blockAlign();
    data_.reset(new (std::nothrow) uint8_t[halfBytes_ * 2]());
    if (!data_) return ASE_NoMemory;
    for (uint32_t half = 0; half < 2; ++half) {
        KsStreamRequest& record = requests_[half];
        record = KsStreamRequest{};
        record.header.Size = sizeof(KSSTREAM_HEADER);
        record.header.PresentationTime.Numerator = 1;
        record.header.PresentationTime.Denominator = 1;
        record.header.Data = halfData(half);
        record.header.FrameExtent = static_cast<uint32_t>(halfBytes_);
        record.header.DataUsed = static_cast<uint32_t>(halfBytes_);
        record.header.OptionsFlags = kNotSubmitted;
        record.overlapped.event = &events_[half];
    }
    return ASE_OK;
}

ASIOError KsAudioFilter::prepare(void* const* channelBuffers, uint32_t bufferFrames,
                                 uint32_t asioBits) {
    release();
    if (asioBits != asioBits_ || bufferFrames == 0) return ASE_InvalidParameter;
    bufferFrames_ = bufferFrames;
    std::copy(channelBuffers, channelBuffers + kMaxPinChannels * 2, channelBuffers_);
    const uint32_t frames = createConverters(bufferFrames, asioBits);
    if (frames == 0 || allocateHalves(frames) != ASE_OK) {
        release();
        return ASE_NoMemory;
    }
    return ASE_OK;
}

void KsAudioFilter::release() {
    data_.reset();
    halfFrames_ = 0;
    halfBytes_ = 0;
    std::fill(std::begin(channelBuffers_), std::end(channelBuffers_), nullptr);
    deleteConverters();
}

HRESULT KsAudioFilter::processCapture(uint32_t /*half*/) {
    return E_NOTIMPL;
}

HRESULT KsAudioFilter::processRender(uint32_t /*half*/) {
    return E_NOTIMPL;
}

}  // namespace qmt
