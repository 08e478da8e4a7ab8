#pragma once
// Capture adapter for any other pair of rates. A read can yield a sample more or less than one
// buffer takes; the extra ones are kept and handed out first, and the next read is sized for
// what is still missing, so every buffer gets exactly its frames.
//
// The first reads come up short by the converter's look-ahead (half its window). Until its first
// real sample, what a buffer lacks is given as silence ahead of it rather than left missing at
// its end, so the stream starts with a little latency instead of a gap; from then on every
// buffer is whole from converted samples (see framesNeeded).

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

    std::size_t framesNeeded(std::size_t bufferFrames,
                             std::optional<std::size_t> pendingRead) const override {
        double expected = static_cast<double>(surplus_.count());
        double wanted = static_cast<double>(bufferFrames) + kReserve;
        if (pendingRead) {
            // A read while the stream leads in fills exactly one buffer (silence makes up the
            // rest, or more than one if the first samples come); a later one brings a sample per
            // step, give or take one for where the steps fall.
            expected += leading_ ? static_cast<double>(bufferFrames)
                                 : static_cast<double>(*pendingRead) / step_;
            wanted += static_cast<double>(bufferFrames);
        }
        if (expected >= wanted) return 0;
        return std::min(static_cast<std::size_t>(std::ceil((wanted - expected) * step_)),
                        this->capacity());
    }

    std::size_t process(std::size_t count, void* dst) override {
        std::size_t produced = 0;
        this->converter_->convert(this->input_.data(), std::min(count, this->capacity()),
                                  converted_.data(), produced);
        T* out = static_cast<T*>(dst);
        std::size_t leadIn = 0;
        if (leading_ && count > 0) {
            // Nothing was handed out yet, so nothing is kept over either.
            if (produced < this->bufferFrames_) leadIn = this->bufferFrames_ - produced;
            std::fill_n(out, leadIn, T(0));
            leading_ = produced == 0;
        }
        return leadIn + surplus_.deliver(converted_.data(), produced, out + leadIn,
                                         this->bufferFrames_ - leadIn);
    }

    std::size_t surplusCount() const { return surplus_.count(); }

  private:
    // One sample asked for beyond the buffer: how many outputs a read brings is known only to
    // within one, and the reserve keeps that from ever making a buffer short.
    static constexpr double kReserve = 1.0;

    double step_;
    bool leading_ = true;
    std::vector<T> converted_;
    SamplerateSurplus<T> surplus_;
};

}  // namespace qmt
