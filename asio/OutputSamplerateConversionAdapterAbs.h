#pragma once
// What every render adapter holds: its converter, the output buffer of C hardware-rate samples
// and C. The ASIO buffer frames it was made for bound what one call may convert.

#include <algorithm>
#include <memory>
#include <vector>

#include "asio/OutputSamplerateConverterIf.h"
#include "asio/SamplerateConverterIf.h"

namespace qmt {

template <typename T>
class OutputSamplerateConversionAdapterAbs : public OutputSamplerateConverterIf {
  public:
    std::size_t capacity() const override { return output_.size(); }

    const void* process(const void* src, std::size_t bufferFrames, std::size_t& produced) override {
        converter_->convert(static_cast<const T*>(src), std::min(bufferFrames, bufferFrames_),
                            output_.data(), produced);
        return output_.data();
    }

  protected:
    OutputSamplerateConversionAdapterAbs(std::unique_ptr<SamplerateConverterIf<T>> converter,
                                         std::size_t capacity, std::size_t bufferFrames)
        : converter_(std::move(converter)), output_(capacity), bufferFrames_(bufferFrames) {}

    std::unique_ptr<SamplerateConverterIf<T>> converter_;
    std::vector<T> output_;
    std::size_t bufferFrames_;
};

}  // namespace qmt
