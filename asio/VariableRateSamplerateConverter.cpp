#include "asio/VariableRateSamplerateConverter.h"

#include <algorithm>
#include <cmath>

namespace qmt {

namespace {

// The negative of the smallest normal double: a carried output placed here lies before the new
// block (index -1) with phase 512, i.e. exactly at the block's start.
constexpr double kBeforeBlock = -2.2250738585072014e-308;

using Tap = VariableRateWindowSums::Tap;

Tap locate(double position) {
    return VariableRateWindowSums::locate(position);
}

template <typename T>
double sampleAt(const T* src, std::int64_t index) {
    return static_cast<double>(static_cast<std::int32_t>(src[index]));
}

}  // namespace

template <typename T, std::int32_t Min, std::int32_t Max>
std::size_t VariableRateSamplerateConverter<T, Min, Max>::maxOutput(std::size_t count,
                                                                    double step) {
    const double clamped = std::isfinite(step) ? std::clamp(step, kMinStep, kMaxStep) : 1.0;
    return static_cast<std::size_t>(std::ceil((static_cast<double>(count) + 64.0) / clamped)) + 3;
}

template <typename T, std::int32_t Min, std::int32_t Max>
VariableRateSamplerateConverter<T, Min, Max>::VariableRateSamplerateConverter(double step)
    : kernel_(VariableRateKernel::instance()),
      step_(std::isfinite(step) ? std::clamp(step, kMinStep, kMaxStep) : 1.0),
      capacity_(static_cast<std::size_t>(std::ceil(32.0 / step_))),
      // Two spare slots: re-deriving positions by repeated addition can shift one output across
      // a block edge, and the store must never overflow because of it.
      pending_(capacity_ + 2, 0.0),
      pendingCount_((capacity_ + 1) / 2),
      position_(-step_ * static_cast<double>(pendingCount_)),
      path_(VariableRateWindowSums::bestPath()),
      // Four outputs in a row span three steps, and their whole-sample indices one more.
      spreadLimit_(static_cast<int>(std::floor(3.0 * step_)) + 1),
      batchLimit_(std::clamp<std::size_t>(
          static_cast<std::size_t>(static_cast<double>(kWindow) / (step_ + 1.0)), 1, kBatch)),
      groupTable_(VariableRateWindowSums::groupTable(step_, position_, spreadLimit_)),
      first_(kBatch),
      phase_(kBatch),
      sums_(kBatch),
      input_(static_cast<std::size_t>(kWindow + kReach), 0.0) {}

template <typename T, std::int32_t Min, std::int32_t Max>
T VariableRateSamplerateConverter<T, Min, Max>::toSample(double value) {
    // Written as min and max so that the compiler needs no branches.
    value = std::min(std::max(value, static_cast<double>(Min)), static_cast<double>(Max));
    return T(static_cast<std::int32_t>(value));  // truncation toward zero
}

// Every output is summed over its whole 33-tap window, with the inputs outside the block taken
// as zero: a zero product added to a sum leaves it unchanged, so a partial sum (an output
// started at the end of the block, or finished at its start) gets exactly the bits of the sum
// over the taps the block has.
template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::convert(const T* src, std::size_t count, T* dst,
                                                           std::size_t& produced) {
    const Block block{src, static_cast<std::int64_t>(count), dst};
    nextDst_ = 0;
    nextPending_ = 0;
    bufferStart_ = 0;
    bufferEnd_ = 0;
    const std::size_t first = completePending(block);
    if (pendingCount_ == 0) {
        if (position_ < 0.0) position_ = 0.0;
        produceFull(block);
        startPending(block);
    } else {
        continuePending(block, first);
    }
    flush(block);
    produced = nextDst_;
    position_ -= static_cast<double>(count);
}

template <typename T, std::int32_t Min, std::int32_t Max>
inline void VariableRateSamplerateConverter<T, Min, Max>::collect(const Block& block,
                                                                  std::int64_t index, int phase,
                                                                  double start, bool toDst) {
    if (collected_ == batchLimit_) flush(block);
    first_[collected_] = index;
    phase_[collected_] = phase;
    sums_[collected_] = start;
    ++collected_;
    if (toDst) ++toDst_;
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::load(const Block& block, std::int64_t from) {
    // Up to the reach of the block's last window, so one load usually serves the whole block.
    const std::int64_t to = std::min(from + kWindow + kReach, std::max(from, block.count) + kReach);
    const std::int64_t inFrom = std::clamp<std::int64_t>(from, 0, block.count);
    const std::int64_t inTo = std::clamp<std::int64_t>(to, 0, block.count);
    double* in = input_.data();
    std::int64_t i = from;
    for (; i < inFrom; ++i)
        in[i - from] = 0.0;
    for (; i < inTo; ++i)
        in[i - from] = sampleAt(block.src, i);
    for (; i < to; ++i)
        in[i - from] = 0.0;
    bufferStart_ = from;
    bufferEnd_ = to;
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::flush(const Block& block) {
    const std::size_t n = collected_;
    std::size_t k = 0;
    while (k < n) {
        // The run of outputs whose windows the buffer holds, reloading it for the first if need
        // be; outputs are collected in order of position, so one run is the rule.
        if (first_[k] < bufferStart_ || first_[k] + kReach > bufferEnd_) load(block, first_[k]);
        std::size_t end = k;
        for (; end < n && first_[end] >= bufferStart_ && first_[end] + kReach <= bufferEnd_; ++end)
            first_[end] -= bufferStart_;
        const VariableRateWindowSums::Run run{
            input_.data(), first_.data() + k, phase_.data() + k, sums_.data() + k,
            end - k,       spreadLimit_,      groupTable_.get()};
        VariableRateWindowSums::accumulate(path_, run);
        k = end;
    }
    for (std::size_t i = 0; i < toDst_; ++i)
        block.dst[nextDst_ + i] = toSample(sums_[i]);
    for (std::size_t i = toDst_; i < n; ++i)
        pending_[nextPending_ + i - toDst_] = sums_[i];
    nextDst_ += toDst_;
    nextPending_ += n - toDst_;
    collected_ = 0;
    toDst_ = 0;
}

template <typename T, std::int32_t Min, std::int32_t Max>
std::size_t VariableRateSamplerateConverter<T, Min, Max>::completePending(const Block& block) {
    std::size_t first = 0;
    while (pendingCount_ > 0) {
        if (!(position_ < 0.0)) position_ = kBeforeBlock;
        const Tap at = locate(position_);
        if (at.index + kLastTap >= block.count) break;
        collect(block, at.index, at.phase, pending_[first], true);
        ++first;
        --pendingCount_;
        position_ += step_;
    }
    return first;
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::produceFull(const Block& block) {
    // The bulk of the outputs: kept in locals so the loop does not reload members after every
    // store. Every output collected so far in this call goes to dst.
    double q = position_;
    std::int64_t* first = first_.data();
    std::int32_t* phase = phase_.data();
    double* sums = sums_.data();
    std::size_t n = collected_;
    const std::int64_t last = block.count - kLastTap;  // first index too late for a full window
    while (true) {
        const Tap at = locate(q);
        if (at.index >= last) break;
        if (n == batchLimit_) {
            collected_ = n;
            toDst_ = n;
            flush(block);
            n = 0;
        }
        first[n] = at.index;
        phase[n] = at.phase;
        sums[n] = 0.0;
        ++n;
        q += step_;
    }
    collected_ = n;
    toDst_ = n;
    position_ = q;
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::startPending(const Block& block) {
    double q = position_;  // the stored position stays at the first pending output
    std::size_t stored = 0;
    while (stored < pending_.size()) {
        const Tap at = locate(q);
        if (at.index >= block.count) break;
        // Slots are filled from 0 on when the batch is flushed; the completed outputs read
        // theirs when they were collected.
        collect(block, at.index, at.phase, 0.0, false);
        ++stored;
        q += step_;
    }
    pendingCount_ = stored;
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::continuePending(const Block& block,
                                                                   std::size_t first) {
    const std::size_t carried = pendingCount_;
    std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(first), carried, pending_.begin());
    double q = position_;
    std::size_t index = 0;
    while (index < pending_.size()) {
        const bool isCarried = index < carried;
        // Positions are re-derived by adding the step again, and rounding can move one across
        // the block's start. A carried output must stay before it and a new one after it, or
        // input would be counted twice or not at all.
        const Tap at = locate(isCarried ? std::min(q, kBeforeBlock) : std::max(q, 0.0));
        if (at.index >= block.count) break;
        // Each slot is read here, before the flush that overwrites it.
        collect(block, at.index, at.phase, isCarried ? pending_[index] : 0.0, false);
        ++index;
        q += step_;
    }
    pendingCount_ = index;
}

template class VariableRateSamplerateConverter<short, -32768, 32767>;
template class VariableRateSamplerateConverter<Int24, -8388608, 8388607>;

}  // namespace qmt
