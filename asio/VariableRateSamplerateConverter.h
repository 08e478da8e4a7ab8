#pragma once
// Variable-rate conversion by polyphase windowed-sinc interpolation. Outputs fall every `step`
// input samples; an output whose 33-tap window runs past the end of a block is kept as a
// partial sum ("pending") and completed with the first samples of the next block, so blocks of
// any length can be fed in.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "asio/Int24.h"
#include "asio/SampleLimits.h"
#include "asio/SamplerateConverterIf.h"
#include "asio/VariableRateKernel.h"

namespace qmt {

template <typename T, std::int32_t Min, std::int32_t Max>
class VariableRateSamplerateConverter final : public SamplerateConverterIf<T> {
  public:
    // Steps beyond these would need absurd pending stores or skip nearly all input.
    static constexpr double kMinStep = 1.0 / 256.0;
    static constexpr double kMaxStep = 256.0;

    static bool isValidStep(double step) { return step >= kMinStep && step <= kMaxStep; }

    // The most outputs one call with count inputs can produce: every output position from the
    // earliest pending one up to the last full window, with room for rounding at both ends.
    static std::size_t maxOutput(std::size_t count, double step);

    // step: input samples per output sample. An invalid step is clamped into the valid range
    // (a non-number becomes 1); callers check isValidStep first.
    explicit VariableRateSamplerateConverter(double step);

    void convert(const T* src, std::size_t count, T* dst, std::size_t& produced) override;

    double step() const { return step_; }
    // Position of the next output relative to the start of the next input block.
    double position() const { return position_; }
    std::size_t pendingCount() const { return pendingCount_; }
    std::size_t pendingCapacity() const { return capacity_; }

  private:
    static constexpr std::int64_t kLastTap = VariableRateKernel::kTaps - 1;
    // Full-window outputs read the block through a small buffer of doubles, so each input is
    // converted once per chunk rather than once per tap.
    static constexpr std::int64_t kChunk = 1024 + VariableRateKernel::kTaps;

    std::size_t completePending(const T* src, std::int64_t count, T* dst, std::size_t& produced);
    void produceFull(const T* src, std::int64_t count, T* dst, std::size_t& produced);
    void startPending(const T* src, std::int64_t count);
    void continuePending(const T* src, std::int64_t count, std::size_t first);
    void loadChunk(const T* src, std::int64_t from, std::int64_t to);

    static T toSample(double value);

    const VariableRateKernel& kernel_;
    double step_;
    std::size_t capacity_;
    std::vector<double> pending_;
    std::size_t pendingCount_;
    double position_;
    std::vector<double> chunk_;
};

template <typename T>
using VariableRateSamplerateConverterFor =
    VariableRateSamplerateConverter<T, SampleLimits<T>::kMin, SampleLimits<T>::kMax>;

extern template class VariableRateSamplerateConverter<short, -32768, 32767>;
extern template class VariableRateSamplerateConverter<Int24, -8388608, 8388607>;

}  // namespace qmt
