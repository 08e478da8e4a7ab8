#pragma once
// One direction of one controller's sound card as the composite device streams it: a created
// pin in a PCM format the card accepts, the host's sample rate with the converters between it
// and the card's, the hardware buffer of both halves with their stream requests, and the
// processing of a completed half. KsAudioCaptureFilter and KsAudioRenderFilter add the
// direction's converters and processing.
//
// Threads: created on the registry's thread; while a stream runs every call comes from the
// streaming thread; prepare and release run on the host's thread when no streaming thread
// exists. The half events are the only objects the card touches from its own thread.
//
// Ownership: the filter belongs to the composite device; the CKsAudFilter and its pins belong
// to the owner's device info, which outlives the filter (the device removes its filters
// before the registry takes the card filters away).

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "asio/AsioTypes.h"
#include "asio/CKsAudFilter.h"
#include "asio/KsAudioFormat.h"
#include "common/Event.h"
#include "platform/KsTypes.h"

namespace qmt {

class AsioDeviceConfigurationIf;
class AsioDeviceInfo;

class KsAudioFilter {
  public:
    // OptionsFlags of a request that was prepared but not yet submitted: its completion
    // carries no data.
    static constexpr uint32_t kNotSubmitted = 2;
    // Two pointers (half 0, half 1) per pin channel.
    static constexpr uint32_t kMaxPinChannels = 16;
    static constexpr uint8_t kUnassigned = 255;

    virtual ~KsAudioFilter();
    KsAudioFilter(const KsAudioFilter&) = delete;
    KsAudioFilter& operator=(const KsAudioFilter&) = delete;

    virtual bool isCapture() const = 0;
    // Converters, the hardware buffer of both halves and their requests for buffers of
    // `bufferFrames` at the ASIO width; channelBuffers holds 2 × kMaxPinChannels pointers
    // (see the subclasses for what they point at). ASE_NoMemory keeps nothing.
    virtual ASIOError prepare(void* const* channelBuffers, uint32_t bufferFrames,
                              uint32_t asioBits);
    // Frees what prepare made. The pin must be stopped (no request pending).
    virtual void release();
    // Whether the card has a pin of this direction that accepts the format.
    virtual bool acceptsFormat(const WAVEFORMATEXTENSIBLE& format) const;
    // Closes the current pin and creates one in the format.
    virtual HRESULT createPin(const WAVEFORMATEXTENSIBLE& format);
    // One converter per pin channel between the hardware rate and the ASIO rate (none when
    // they are equal); returns the hardware frames of one half.
    virtual uint32_t createConverters(uint32_t bufferFrames, uint32_t asioBits) = 0;
    virtual void deleteConverters() = 0;
    // The processing of a completed half; a negative status means the filter cannot go on.
    virtual HRESULT processCapture(uint32_t half);
    virtual HRESULT processRender(uint32_t half);

    // Moves the pin one state at a time to `target`; the first refusal is returned and the
    // state stays where it got to.
    HRESULT setState(KSSTATE target);
    ASIOError canSampleRate(double rate) const;
    // Negotiates the hardware format for the rate (see rateCandidates) and remembers the rate.
    ASIOError setSampleRate(double rate);
    Event& halfEvent(uint32_t half) { return events_[half & 1]; }
    uint32_t channelCount() const { return format_.Format.nChannels; }
    // The ASIO channel that pin channel `channel` feeds or plays, or kUnassigned.
    uint8_t asioChannel(uint32_t channel) const;
    AsioDeviceInfo& owner() const { return owner_; }
    KSSTATE pinState() const { return pinState_; }
    const WAVEFORMATEXTENSIBLE& hardwareFormat() const { return format_; }
    double sampleRate() const { return asioRate_; }

    // The rates tried for a requested one: the rate itself, then 48000, 44100, 96000, 22050
    // and 11025 in four passes: higher multiples of it, other higher rates, lower divisors,
    // other lower rates.
    static std::vector<double> rateCandidates(double requested);

  protected:
    KsAudioFilter(AsioDeviceInfo& owner, CKsAudFilter& filter, CKsAudPin* pin,
                  const WAVEFORMATEXTENSIBLE& format, uint32_t asioBits);

    // The first format of the owner's selected configuration (with `channels` of this
    // direction) for which a pin can be created, or null (the filter's card is reopened
    // first). `format` is the one the pin was created with.
    static CKsAudPin* createFirstPin(AsioDeviceInfo& owner, CKsAudFilter& filter, bool capture,
                                     WAVEFORMATEXTENSIBLE& format);
    // A Filter over `card` with the first pin that can be created; null when the owner has no
    // such card, no format is taken or memory runs out.
    template <typename Filter>
    static std::unique_ptr<Filter> createOver(AsioDeviceInfo& owner, CKsAudFilter* card,
                                              uint32_t asioBits);
    // The formats for a channel count, rate and width that the card's ranges take, in the
    // order they are tried: the channel-mask list of the count, then the plain WAVEFORMATEX.
    // A card may still refuse one when the pin is created (a mask it does not play), so
    // callers create pins down this list.
    template <typename Accepts>
    static void buildFormats(uint16_t channels, uint32_t rate, uint16_t bits, Accepts accepts,
                             std::vector<WAVEFORMATEXTENSIBLE>& formats);

    uint32_t hardwareBits() const { return format_.Format.wBitsPerSample; }
    uint32_t blockAlign() const { return format_.Format.nBlockAlign; }
    uint32_t hardwareRate() const { return format_.Format.nSamplesPerSec; }
    uint8_t* halfData(uint32_t half) { return data_.get() + size_t{half} * halfBytes_; }
    KsStreamRequest& request(uint32_t half) { return requests_[half & 1]; }
    void* channelBuffer(uint32_t channel, uint32_t half) const {
        return channelBuffers_[channel * 2 + half];
    }
    CKsAudPin* pin() const { return pin_; }
    uint32_t bufferFrames() const { return bufferFrames_; }
    uint32_t asioBits() const { return asioBits_; }
    // Frames per half the hardware buffer holds.
    uint32_t halfFrames() const { return halfFrames_; }

  private:
    ASIOError allocateHalves(uint32_t frames);
    // The formats for the rate the pin's ranges take, best first.
    std::vector<WAVEFORMATEXTENSIBLE> negotiate(double rate) const;

    AsioDeviceInfo& owner_;
    CKsAudFilter& filter_;
    CKsAudPin* pin_;
    KSSTATE pinState_ = KSSTATE_STOP;
    WAVEFORMATEXTENSIBLE format_;
    const uint32_t asioBits_;
    double asioRate_ = 0;
    uint32_t bufferFrames_ = 0;
    uint32_t halfFrames_ = 0;
    size_t halfBytes_ = 0;
    std::unique_ptr<uint8_t[]> data_;
    void* channelBuffers_[kMaxPinChannels * 2] = {};
    Event events_[2] = {Event(false), Event(false)};
    KsStreamRequest requests_[2];
};

template <typename Filter>
std::unique_ptr<Filter> KsAudioFilter::createOver(AsioDeviceInfo& owner, CKsAudFilter* card,
                                                  uint32_t asioBits) {
    if (card == nullptr) return nullptr;
    WAVEFORMATEXTENSIBLE format;
    CKsAudPin* pin = createFirstPin(owner, *card, Filter::kCapture, format);
    if (pin == nullptr) return nullptr;
    return std::unique_ptr<Filter>(new (std::nothrow) Filter(owner, *card, pin, format, asioBits));
}

template <typename Accepts>
void KsAudioFilter::buildFormats(uint16_t channels, uint32_t rate, uint16_t bits, Accepts accepts,
                                 std::vector<WAVEFORMATEXTENSIBLE>& formats) {
    WAVEFORMATEXTENSIBLE format;
    for (uint32_t mask : channelMasksFor(channels)) {
        format = makeExtensibleFormat(channels, rate, bits, mask);
        if (accepts(format)) formats.push_back(format);
    }
    format = toPlainFormat(format);
    if (accepts(format)) formats.push_back(format);
}

}  // namespace qmt
