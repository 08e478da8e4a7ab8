#include "asio/KsAudioRenderFilter.h"

#include <algorithm>

#include "asio/AsioDeviceInfo.h"
#include "asio/PcmSampleWidth.h"
#include "asio/SamplerateConverterSelection.h"

namespace qmt {

std::unique_ptr<KsAudioRenderFilter> KsAudioRenderFilter::create(AsioDeviceInfo& owner,
                                                                 uint32_t asioBits) {
    return createOver<KsAudioRenderFilter>(owner, owner.getRenderFilter(), asioBits);
}

uint32_t KsAudioRenderFilter::createConverters(uint32_t bufferFrames, uint32_t asioBits) {
    deleteConverters();
    size_t hardwareFrames = bufferFrames;
    for (uint32_t channel = 0; channel < channelCount(); ++channel) {
        converters_.push_back(createOutputSamplerateConverter(
            hardwareRate(), sampleRate(), bufferFrames, static_cast<int>(asioBits)));
        if (converters_.back()) hardwareFrames = converters_.back()->capacity();
    }
    interleave_ = interleaveFunction(asioBits, hardwareBits());
    if (interleave_ == nullptr) {
        deleteConverters();
        return 0;
    }
    try {
        silence_.assign(size_t{bufferFrames} * (asioBits / 8), 0);
    } catch (const std::bad_alloc&) {
        deleteConverters();
        return 0;
    }
    return static_cast<uint32_t>(hardwareFrames);
}

void KsAudioRenderFilter::deleteConverters() {
    converters_.clear();
    silence_.clear();
}

HRESULT KsAudioRenderFilter::processRender(uint32_t half) {
    KsStreamRequest& record = request(half);
    // A write that failed (the card went away) ends this filter's part in the stream.
    if (record.header.OptionsFlags != kNotSubmitted && Failed(record.overlapped.status)) {
        return record.overlapped.status;
    }
    return queueWrite(half, interleave(half));
}

size_t KsAudioRenderFilter::interleave(uint32_t half) {
    const uint32_t channels = channelCount();
    uint8_t* data = halfData(half);
    size_t frames = halfFrames();
    for (uint32_t channel = 0; channel < channels; ++channel) {
        const void* source = channelBuffer(channel, half);
        if (source == nullptr) source = silence_.data();
        size_t produced = bufferFrames();
        if (OutputSamplerateConverterIf* converter = converters_[channel].get()) {
            source = converter->process(source, bufferFrames(), produced);
        }
        produced = std::min<size_t>(produced, halfFrames());
        // Every channel's converter is in the same state, so all produce as many.
        frames = std::min(frames, produced);
        interleave_(static_cast<const uint8_t*>(source), produced, data, channels, channel);
    }
    return frames;
}

HRESULT KsAudioRenderFilter::queueWrite(uint32_t half, size_t frames) {
    KsStreamRequest& record = request(half);
    if (record.header.OptionsFlags != kNotSubmitted) record.header.OptionsFlags = 0;
    record.header.FrameExtent = static_cast<uint32_t>(frames * blockAlign());
    record.header.DataUsed = record.header.FrameExtent;
    HRESULT status = pin()->writeStream(record);
    // A CRC error on the bus is worth one more try.
    if (status == HresultFromWin32(kErrorCrc)) status = pin()->writeStream(record);
    record.header.OptionsFlags = 0;
    return Succeeded(status) ? S_OK : E_FAIL;
}

}  // namespace qmt
