#pragma once
// Capture adapter for a host rate that is an integer multiple of the hardware rate.
//
// When the buffer frames are not a multiple of the factor, the repeats of the last sample read
// would overrun the buffer; they are kept and handed out first next time, and the next read is
// shortened by them. Every buffer is therefore complete, and no sample is dropped.

#include <cstdint>
#include <memory>
#include <vector>

#include "asio/InputSamplerateConversionAdapterAbs.h"
#include "asio/IntegerUpSamplerateConverter.h"
#include "asio/SamplerateSurplus.h"

namespace qmt {

template <typename T>
class IntegerUpInputSamplerateConversionAdapter final
    : public InputSamplerateConversionAdapterAbs<T> {
  public:
    IntegerUpInputSamplerateConversionAdapter(std::uint32_t factor, std::size_t bufferFrames,
                                              std::size_t capacity)
        : InputSamplerateConversionAdapterAbs<T>(
              std::make_unique<IntegerUpSamplerateConverter<T>>(factor), capacity, bufferFrames),
          factor_(
              std::clamp<std::uint32_t>(factor, 1, IntegerUpSamplerateConverter<T>::kMaxFactor)),
          converted_(capacity * factor_),
          // Reads sized ahead of the one in flight may leave up to a buffer and a read over.
          surplus_(bufferFrames + factor_) {}

    std::size_t framesNeeded(std::size_t bufferFrames,
                             std::optional<std::size_t> pendingRead) const override {
        // Repeating is exact: the pending read brings factor samples per frame.
        const std::size_t expected = surplus_.count() + pendingRead.value_or(0) * factor_;
        const std::size_t wanted = bufferFrames * (pendingRead ? 2 : 1);
        if (expected >= wanted) return 0;
        return std::min((wanted - expected + factor_ - 1) / factor_, this->capacity());
    }

    std::size_t process(std::size_t count, void* dst) override {
        std::size_t produced = 0;
        this->converter_->convert(this->input_.data(), std::min(count, this->capacity()),
                                  converted_.data(), produced);
        return surplus_.deliver(converted_.data(), produced, static_cast<T*>(dst),
                                this->bufferFrames_);
    }

  private:
    std::size_t factor_;
    std::vector<T> converted_;
    SamplerateSurplus<T> surplus_;
};

}  // namespace qmt
