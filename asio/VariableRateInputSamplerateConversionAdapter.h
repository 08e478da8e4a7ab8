#pragma once
// Capture adapter for any other pair of rates. A read can yield a sample more or less than one
// buffer takes; the extra ones are kept and handed out first, and the next read is sized for
// what is still missing, so every buffer gets exactly its frames.
//
// The first read comes up short by the converter's look-ahead (half its window). Those frames
// are given as silence at the start of the first buffer rather than left missing at its end,
// so the stream starts with a little latency instead of a gap.

#include <algorithm>
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
        T* out = static_cast<T*>(dst);
        std::size_t leadIn = 0;
        if (!started_ && count > 0) {
            started_ = true;
            if (produced < this->bufferFrames_) leadIn = this->bufferFrames_ - produced;
            std::fill_n(out, leadIn, T(0));
        }
        return leadIn + surplus_.deliver(converted_.data(), produced, out + leadIn,
                                         this->bufferFrames_ - leadIn);
    }

    std::size_t surplusCount() const { return surplus_.count(); }

  private:
    double step_;
    bool started_ = false;
    std::vector<T> converted_;
    SamplerateSurplus<T> surplus_;
};

}  // namespace qmt
