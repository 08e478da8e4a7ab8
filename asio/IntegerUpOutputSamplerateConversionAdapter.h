#pragma once
// Render adapter for a hardware rate that is an integer multiple of the host rate.

#include <cstdint>
#include <memory>

#include "asio/IntegerUpSamplerateConverter.h"
#include "asio/OutputSamplerateConversionAdapterAbs.h"

namespace qmt {

template <typename T>
class IntegerUpOutputSamplerateConversionAdapter final
    : public OutputSamplerateConversionAdapterAbs<T> {
  public:
    IntegerUpOutputSamplerateConversionAdapter(std::uint32_t factor, std::size_t bufferFrames,
                                               std::size_t capacity)
        : OutputSamplerateConversionAdapterAbs<T>(
              std::make_unique<IntegerUpSamplerateConverter<T>>(factor), capacity, bufferFrames) {}
};

}  // namespace qmt
