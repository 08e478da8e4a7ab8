#include "asio/KsAudioCaptureFilter.h"

#include <cmath>
#include <optional>

#include "asio/AsioDeviceInfo.h"
#include "asio/PcmSampleWidth.h"
#include "asio/SamplerateConverterSelection.h"

namespace qmt {

std::unique_ptr<KsAudioCaptureFilter> KsAudioCaptureFilter::create(AsioDeviceInfo& owner,
                                                                   uint32_t asioBits) {
    return createOver<KsAudioCaptureFilter>(owner, owner.getCaptureFilter(), asioBits);
}

uint32_t KsAudioCaptureFilter::createConverters(uint32_t bufferFrames, uint32_t asioBits) {
    deleteConverters();
    const uint32_t channels = channelCount();
    size_t hardwareFrames = bufferFrames;
    // The most one read can give: the converter's capacity, or the buffer itself.
    size_t stagedFrames = bufferFrames;
    for (uint32_t channel = 0; channel < channels; ++channel) {
        converters_.push_back(createInputSamplerateConverter(
            hardwareRate(), sampleRate(), bufferFrames, static_cast<int>(asioBits)));
        if (converters_.back()) hardwareFrames = converters_.back()->capacity();
    }
    if (converters_.front()) {
        const SamplerateConversionPlan plan = selectSamplerateConversion(
            SamplerateConversionSide::Capture, hardwareRate(), sampleRate(), bufferFrames);
        if (plan.kind == SamplerateConversionKind::VariableRate) {
            const double step = plan.step;
            stagedFrames = static_cast<size_t>(
                std::ceil(std::ceil(static_cast<double>(bufferFrames) * step) / step));
        }
    }
    deinterleave_ = deinterleaveFunction(hardwareBits(), asioBits);
    accumulate_ = accumulateFunction(asioBits);
    if (deinterleave_ == nullptr || accumulate_ == nullptr) {
        deleteConverters();
        return 0;
    }
    try {
        staging_.assign(channels, std::vector<uint8_t>(stagedFrames * (asioBits / 8)));
    } catch (const std::bad_alloc&) {
        deleteConverters();
        return 0;
    }
    return static_cast<uint32_t>(hardwareFrames);
}

void KsAudioCaptureFilter::deleteConverters() {
    converters_.clear();
    staging_.clear();
}

HRESULT KsAudioCaptureFilter::processCapture(uint32_t half) {
    KsStreamRequest& record = request(half);
    if (record.header.OptionsFlags != kNotSubmitted) {
        // A read that failed (the card went away) ends this filter's part in the stream.
        if (Failed(record.overlapped.status)) return record.overlapped.status;
        consume(half);
    }
    return queueRead(half);
}

void KsAudioCaptureFilter::consume(uint32_t half) {
    const uint32_t channels = channelCount();
    const uint8_t* data = halfData(half);
    const size_t frames =
        std::min<size_t>(request(half).header.DataUsed / blockAlign(), halfFrames());
    for (uint32_t channel = 0; channel < channels; ++channel) {
        InputSamplerateConverterIf* converter = converters_[channel].get();
        uint8_t* staged = staging_[channel].data();
        auto* split =
            converter != nullptr ? static_cast<uint8_t*>(converter->inputBuffer()) : staged;
        const size_t count =
            std::min(frames, converter != nullptr ? converter->capacity() : size_t{bufferFrames()});
        deinterleave_(data, channels, channel, count, split);
        const size_t produced = converter != nullptr ? converter->process(count, staged) : count;
        if (auto* sums = static_cast<int32_t*>(channelBuffer(channel, half))) {
            accumulate_(staged, std::min(produced, size_t{bufferFrames()}), sums);
        }
    }
}

HRESULT KsAudioCaptureFilter::queueRead(uint32_t half) {
    KsStreamRequest& record = request(half);
    const InputSamplerateConverterIf* converter =
        converters_.empty() ? nullptr : converters_[0].get();
    // The other half's read is on its way unless it was never queued (the first of the two
    // queued at priming); every channel's converter has seen the same reads, so one answers.
    const KsStreamRequest& other = request(1 - half);
    std::optional<size_t> pending;
    if (other.header.OptionsFlags != kNotSubmitted)
        pending = other.header.FrameExtent / blockAlign();
    const size_t frames =
        converter != nullptr ? converter->framesNeeded(bufferFrames(), pending) : bufferFrames();
    record.header.OptionsFlags = 0;
    record.header.FrameExtent =
        static_cast<uint32_t>(std::min<size_t>(frames, halfFrames()) * blockAlign());
    record.header.DataUsed = 0;
    const HRESULT status = pin()->readStream(record);
    return Succeeded(status) ? S_OK : E_FAIL;
}

}  // namespace qmt
