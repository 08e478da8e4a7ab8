#pragma once
// Capture adapter for a hardware rate that is an integer multiple of the host rate: reads just
// enough to finish one buffer's worth of groups, counting the inputs already carried.

#include <cstdint>
#include <memory>

#include "asio/InputSamplerateConversionAdapterAbs.h"
#include "asio/IntegerDownSamplerateConverter.h"

namespace qmt {

template <typename T>
class IntegerDownInputSamplerateConversionAdapter final
    : public InputSamplerateConversionAdapterAbs<T> {
  public:
    IntegerDownInputSamplerateConversionAdapter(std::uint32_t factor, std::size_t bufferFrames,
                                                std::size_t capacity)
        : IntegerDownInputSamplerateConversionAdapter(
              std::make_unique<IntegerDownSamplerateConverter<T>>(factor), bufferFrames, capacity) {
    }

    std::size_t framesNeeded(std::size_t bufferFrames,
                             std::optional<std::size_t> pendingRead) const override {
        // The inputs of an unfinished group when the pending read has been averaged too.
        const std::size_t whole = bufferFrames * down_->factor();
        const std::size_t carried =
            (down_->carriedCount() + pendingRead.value_or(0)) % down_->factor();
        return std::min(whole > carried ? whole - carried : 0, this->capacity());
    }

  private:
    IntegerDownInputSamplerateConversionAdapter(
        std::unique_ptr<IntegerDownSamplerateConverter<T>> converter, std::size_t bufferFrames,
        std::size_t capacity)
        : InputSamplerateConversionAdapterAbs<T>(nullptr, capacity, bufferFrames),
          down_(converter.get()) {
        this->converter_ = std::move(converter);
    }

    const IntegerDownSamplerateConverter<T>* down_;  // the converter, owned by the base
};

}  // namespace qmt
