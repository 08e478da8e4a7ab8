#pragma once
// The capture direction: each completed half's interleaved hardware samples are split per
// channel at the ASIO width, converted to the ASIO rate where the rates differ, and added to
// the 32-bit accumulator of the ASIO input each channel feeds; then the next read is queued.
//
// prepare's channel buffers: for pin channel c, entries 2c and 2c + 1 both point at the
// accumulator (int32_t[bufferFrames]) of its ASIO input, or are null for a channel that feeds
// no input in use.

#include <memory>
#include <vector>

#include "asio/InputSamplerateConverterIf.h"
#include "asio/KsAudioFilter.h"
#include "asio/PcmSampleWidth.h"

namespace qmt {

class KsAudioCaptureFilter final : public KsAudioFilter {
  public:
    // The filter over the owner's capture card in the first listed format a pin takes; null
    // when the owner has no capture card or none of its formats is taken.
    static std::unique_ptr<KsAudioCaptureFilter> create(AsioDeviceInfo& owner, uint32_t asioBits);

    static constexpr bool kCapture = true;

    bool isCapture() const override { return kCapture; }
    uint32_t createConverters(uint32_t bufferFrames, uint32_t asioBits) override;
    void deleteConverters() override;
    HRESULT processCapture(uint32_t half) override;

  private:
    friend class KsAudioFilter;  // creates it
    using KsAudioFilter::KsAudioFilter;

    void consume(uint32_t half);
    HRESULT queueRead(uint32_t half);

    std::vector<std::unique_ptr<InputSamplerateConverterIf>> converters_;
    // Per channel: samples at the ASIO width and rate before they are added.
    std::vector<std::vector<uint8_t>> staging_;
    DeinterleaveFunction deinterleave_ = nullptr;
    AccumulateFunction accumulate_ = nullptr;
};

}  // namespace qmt
