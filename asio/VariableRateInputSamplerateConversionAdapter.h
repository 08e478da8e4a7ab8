#pragma once
// Capture adapter for any other pair of rates. A read can yield a sample more or less than one
// buffer takes; the extra ones are kept and handed out first, and the next read is sized for
// what is still missing, so every buffer gets exactly its frames.

#include <cmath>
#include <memory>
#include <vector>

#include "asio/InputSamplerateConversionAdapterAbs.h"
#include "asio/SamplerateSurplus.h"
#include "asio/VariableRateSamplerateConverter.h"

namespace qmt {

template <typename T>
class VariableRateInputSamplerateConversionAdapter final
    : public InputSamplerateConversionAdapterAbs<T> {
    using Converter = VariableRateSamplerateConverterFor<T>;

  public:
    // step: hardware samples per ASIO sample.
    VariableRateInputSamplerateConversionAdapter(double step, std::size_t bufferFrames,
                                                 std::size_t capacity)
        : InputSamplerateConversionAdapterAbs<T>(std::make_unique<Converter>(step), capacity,
                                                 bufferFrames),
          step_(step),
          converted_(Converter::maxOutput(capacity, step)),
          surplus_(converted_.size() + bufferFrames) {}

    std::size_t framesNeeded(std::size_t bufferFrames) const override {
        if (surplus_.count() >= bufferFrames) return 0;
        const double missing = static_cast<double>(bufferFrames - surplus_.count());
        return std::min(static_cast<std::size_t>(std::ceil(missing * step_)), this->capacity());
    }

    std::size_t process(std::size_t count, void* dst) override {
        std::size_t produced = 0;
        this->converter_->convert(this->input_.data(), std::min(count, this->capacity()),
                                  converted_.data(), produced);
        return surplus_.deliver(converted_.data(), produced, static_cast<T*>(dst),
                                this->bufferFrames_);
    }

    std::size_t surplusCount() const { return surplus_.count(); }

  private:
    double step_;
    std::vector<T> converted_;
    SamplerateSurplus<T> surplus_;
};

}  // namespace qmt
