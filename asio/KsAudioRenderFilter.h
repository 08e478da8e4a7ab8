#pragma once
// The render direction: for each completed half the host's output buffers of that half are
// converted to the hardware rate where the rates differ, interleaved at the hardware width
// into the half's hardware buffer and written; a channel that plays no output in use plays
// silence.
//
// prepare's channel buffers: for pin channel c, entry 2c + h points at the ASIO output buffer
// of half h of the output it plays, or is null.

#include <memory>
#include <vector>

#include "asio/KsAudioFilter.h"
#include "asio/OutputSamplerateConverterIf.h"
#include "asio/PcmSampleWidth.h"

namespace qmt {

class KsAudioRenderFilter final : public KsAudioFilter {
  public:
    // The filter over the owner's render card in the first listed format a pin takes; null
    // when the owner has no render card or none of its formats is taken.
    static std::unique_ptr<KsAudioRenderFilter> create(AsioDeviceInfo& owner, uint32_t asioBits);

    static constexpr bool kCapture = false;

    bool isCapture() const override { return kCapture; }
    uint32_t createConverters(uint32_t bufferFrames, uint32_t asioBits) override;
    void deleteConverters() override;
    HRESULT processRender(uint32_t half) override;

  private:
    friend class KsAudioFilter;  // creates it
    using KsAudioFilter::KsAudioFilter;

    size_t interleave(uint32_t half);
    HRESULT queueWrite(uint32_t half, size_t frames);

    std::vector<std::unique_ptr<OutputSamplerateConverterIf>> converters_;
    // buffer frames of silence at the ASIO width, for channels that play nothing.
    std::vector<uint8_t> silence_;
    InterleaveFunction interleave_ = nullptr;
};

}  // namespace qmt
