#pragma once
// Render adapter for any other pair of rates. One buffer normally converts to at most C
// hardware frames; should rounding at a block edge complete one more, it is held back and
// written first next time instead of running past the hardware buffer.

#include <memory>
#include <vector>

#include "asio/OutputSamplerateConversionAdapterAbs.h"
#include "asio/SamplerateSurplus.h"
#include "asio/VariableRateSamplerateConverter.h"

namespace qmt {

template <typename T>
class VariableRateOutputSamplerateConversionAdapter final
    : public OutputSamplerateConversionAdapterAbs<T> {
    using Converter = VariableRateSamplerateConverterFor<T>;

  public:
    // step: ASIO samples per hardware sample.
    VariableRateOutputSamplerateConversionAdapter(double step, std::size_t bufferFrames,
                                                  std::size_t capacity)
        : OutputSamplerateConversionAdapterAbs<T>(std::make_unique<Converter>(step), capacity,
                                                  bufferFrames),
          converted_(Converter::maxOutput(bufferFrames, step)),
          surplus_(converted_.size() + capacity) {}

    const void* process(const void* src, std::size_t bufferFrames, std::size_t& produced) override {
        std::size_t converted = 0;
        this->converter_->convert(static_cast<const T*>(src),
                                  std::min(bufferFrames, this->bufferFrames_), converted_.data(),
                                  converted);
        produced = surplus_.deliver(converted_.data(), converted, this->output_.data(),
                                    this->output_.size());
        return this->output_.data();
    }

  private:
    std::vector<T> converted_;
    SamplerateSurplus<T> surplus_;
};

}  // namespace qmt
