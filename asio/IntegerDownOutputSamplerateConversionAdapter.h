#pragma once
// Render adapter for a host rate that is an integer multiple of the hardware rate. When the
// buffer frames are not a multiple of the factor, the written frame count alternates so that
// no input is lost.

#include <cstdint>
#include <memory>

#include "asio/IntegerDownSamplerateConverter.h"
#include "asio/OutputSamplerateConversionAdapterAbs.h"

namespace qmt {

template <typename T>
class IntegerDownOutputSamplerateConversionAdapter final
    : public OutputSamplerateConversionAdapterAbs<T> {
  public:
    IntegerDownOutputSamplerateConversionAdapter(std::uint32_t factor, std::size_t bufferFrames,
                                                 std::size_t capacity)
        : OutputSamplerateConversionAdapterAbs<T>(
              std::make_unique<IntegerDownSamplerateConverter<T>>(factor), capacity, bufferFrames) {
    }
};

}  // namespace qmt
