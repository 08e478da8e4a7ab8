#pragma once
// Variable-rate conversion by polyphase windowed-sinc interpolation. Outputs fall every `step`
// input samples; an output whose 33-tap window runs past the end of a block is kept as a
// partial sum ("pending") and completed with the first samples of the next block, so blocks of
// any length can be fed in.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "asio/Int24.h"
#include "asio/SampleLimits.h"
#include "asio/SamplerateConverterIf.h"
#include "asio/VariableRateKernel.h"
#include "asio/VariableRateWindowSums.h"

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
    // The partial sum of pending output k (k < pendingCount()).
    double pendingSum(std::size_t k) const { return pending_[k]; }

    // The constructor picks the fastest way to do the multiply-adds; tests and benchmarks pick
    // another to compare them. Every path gives the same bits.
    void setPath(VariableRateWindowSums::Path path) { path_ = path; }
    VariableRateWindowSums::Path path() const { return path_; }

  private:
    static constexpr std::int64_t kLastTap = VariableRateKernel::kTaps - 1;
    // Outputs are first located (index and phase, in the order the algorithm walks them) and
    // collected, then their sums are made together over the block converted to doubles.
    static constexpr std::size_t kBatch = 512;
    // Inputs the double buffer holds at once, beyond a window's reach; a batch's outputs never
    // lie farther apart than this.
    static constexpr std::int64_t kWindow = 2048;
    // Inputs a window may read from its first tap on (the vector path reads past tap 32 into
    // rows' zero padding).
    static constexpr std::int64_t kReach = VariableRateKernel::kTaps + VariableRateKernel::kPad + 1;

    struct Block {
        const T* src;
        std::int64_t count;
        T* dst;
    };

    std::size_t completePending(const Block& block);
    void produceFull(const Block& block);
    void startPending(const Block& block);
    void continuePending(const Block& block, std::size_t first);
    // Collects outputs from position q on, one step apart, while their first index lies below
    // end and fewer than limit are taken; returns how many, q left at the next.
    std::size_t collectRun(const Block& block, double& q, std::int64_t end, std::size_t limit,
                           bool toDst);

    // Collects one output: the input under its tap 0, its kernel row, the sum it starts from.
    // Within a call, outputs for dst come first, in order, then those for the pending store,
    // from slot 0 on.
    void collect(const Block& block, std::int64_t index, int phase, double start, bool toDst);
    // Makes the sums of all collected outputs and stores them.
    void flush(const Block& block);
    // Converts the block's inputs from index `from` on into the double buffer.
    void load(const Block& block, std::int64_t from);

    const VariableRateKernel& kernel_;
    double step_;
    std::size_t capacity_;
    std::vector<double> pending_;
    std::size_t pendingCount_;
    double position_;

    VariableRateWindowSums::Path path_;
    // How far apart the first taps of four neighbouring outputs can lie.
    int spreadLimit_;
    // Outputs per batch, fewer for big steps so that a batch fits the double buffer.
    std::size_t batchLimit_;
    std::shared_ptr<const VariableRateWindowSums::GroupTable> groupTable_;

    // The batch being collected.
    std::size_t collected_ = 0;
    std::int64_t lowest_ = 0;      // the smallest first index collected
    std::int64_t highest_ = 0;     // the largest
    std::size_t toDst_ = 0;        // how many of them go to dst (they come first)
    std::size_t nextDst_ = 0;      // dst slot of the batch's first output for dst
    std::size_t nextPending_ = 0;  // pending slot of the batch's first output for the store
    std::vector<std::int64_t> first_;
    std::vector<std::int32_t> phase_;
    std::vector<double> sums_;
    std::vector<std::int32_t> samples_;  // the batch's outputs for dst, as integers

    // The block as doubles: input_[i] is input bufferStart_ + i (zero outside the block), valid
    // below bufferEnd_ - bufferStart_.
    std::vector<double> input_;
    std::int64_t bufferStart_ = 0;
    std::int64_t bufferEnd_ = 0;
};

template <typename T>
using VariableRateSamplerateConverterFor =
    VariableRateSamplerateConverter<T, SampleLimits<T>::kMin, SampleLimits<T>::kMax>;

extern template class VariableRateSamplerateConverter<short, -32768, 32767>;
extern template class VariableRateSamplerateConverter<Int24, -8388608, 8388607>;

}  // namespace qmt
