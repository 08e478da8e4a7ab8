#include "asio/VariableRateSamplerateConverter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

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
      samples_(kBatch),
      input_(static_cast<std::size_t>(kWindow + kReach), 0.0) {}

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
    lowest_ = collected_ == 0 ? index : std::min(lowest_, index);
    highest_ = collected_ == 0 ? index : std::max(highest_, index);
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
    if constexpr (std::is_same_v<T, short>) {
        if (inTo > i)
            VariableRateWindowSums::toDoubles(path_, block.src + i,
                                              static_cast<std::size_t>(inTo - i), in + (i - from));
        i = std::max(i, inTo);
    } else if constexpr (std::is_same_v<T, Int24>) {
        if (inTo > i)
            VariableRateWindowSums::packed24ToDoubles(
                path_, reinterpret_cast<const std::uint8_t*>(block.src + i),
                static_cast<std::size_t>(inTo - i), in + (i - from));
        i = std::max(i, inTo);
    }
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
    const std::int64_t* first = first_.data();
    // Outputs are collected in order of position, so the whole batch usually fits the buffer
    // as it is or after one reload at its lowest index.
    if (n > 0 && (lowest_ < bufferStart_ || highest_ + kReach > bufferEnd_)) load(block, lowest_);
    if (n > 0 && lowest_ >= bufferStart_ && highest_ + kReach <= bufferEnd_) {
        const VariableRateWindowSums::Run run{input_.data(), bufferStart_,     first,
                                              phase_.data(), sums_.data(),     n,
                                              spreadLimit_,  groupTable_.get()};
        VariableRateWindowSums::accumulate(path_, run);
    } else {
        // Otherwise run by run, each as far as the buffer reaches.
        std::size_t k = 0;
        while (k < n) {
            if (first[k] < bufferStart_ || first[k] + kReach > bufferEnd_) load(block, first[k]);
            std::size_t end = k;
            while (end < n && first[end] >= bufferStart_ && first[end] + kReach <= bufferEnd_)
                ++end;
            const VariableRateWindowSums::Run run{input_.data(),     bufferStart_,     first + k,
                                                  phase_.data() + k, sums_.data() + k, end - k,
                                                  spreadLimit_,      groupTable_.get()};
            VariableRateWindowSums::accumulate(path_, run);
            k = end;
        }
    }
    VariableRateWindowSums::toSamples(path_, sums_.data(), toDst_, Min, Max, samples_.data());
    if constexpr (std::is_same_v<T, Int24>) {
        // Int24 arrays are plain runs of three-byte samples.
        if (toDst_ > 0)
            VariableRateWindowSums::toPacked24(
                path_, samples_.data(), toDst_,
                reinterpret_cast<std::uint8_t*>(block.dst + nextDst_));
    } else {
        for (std::size_t i = 0; i < toDst_; ++i)
            block.dst[nextDst_ + i] = T(samples_[i]);
    }
    for (std::size_t i = toDst_; i < n; ++i)
        pending_[nextPending_ + i - toDst_] = sums_[i];
    nextDst_ += toDst_;
    nextPending_ += n - toDst_;
    collected_ = 0;
    toDst_ = 0;
}

template <typename T, std::int32_t Min, std::int32_t Max>
std::size_t VariableRateSamplerateConverter<T, Min, Max>::completePending(const Block& block) {
    // In locals: collect() stores to members, which would make the compiler reload these.
    std::size_t first = 0;
    std::size_t left = pendingCount_;
    double q = position_;
    while (left > 0) {
        if (!(q < 0.0)) q = kBeforeBlock;
        const Tap at = locate(q);
        if (at.index + kLastTap >= block.count) break;
        collect(block, at.index, at.phase, pending_[first], true);
        ++first;
        --left;
        q += step_;
    }
    position_ = q;
    pendingCount_ = left;
    return first;
}

template <typename T, std::int32_t Min, std::int32_t Max>
std::size_t VariableRateSamplerateConverter<T, Min, Max>::collectRun(const Block& block, double& q,
                                                                     std::int64_t end,
                                                                     std::size_t limit,
                                                                     bool toDst) {
    std::size_t taken = 0;
    while (taken < limit) {
        if (collected_ == batchLimit_) flush(block);
        const std::size_t room = std::min(batchLimit_ - collected_, limit - taken);
        const std::size_t n = VariableRateWindowSums::locateRun(
            path_, q, step_, end, room, first_.data() + collected_, phase_.data() + collected_);
        std::fill_n(sums_.data() + collected_, n, 0.0);
        if (n > 0) {
            // A run's indices do not decrease.
            const std::int64_t lo = first_[collected_];
            const std::int64_t hi = first_[collected_ + n - 1];
            lowest_ = collected_ == 0 ? lo : std::min(lowest_, lo);
            highest_ = collected_ == 0 ? hi : std::max(highest_, hi);
        }
        collected_ += n;
        if (toDst) toDst_ = collected_;  // outputs for dst come first in a batch
        taken += n;
        if (n < room) break;
    }
    return taken;
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::produceFull(const Block& block) {
    // The bulk of the outputs; everything collected so far in this call goes to dst.
    collectRun(block, position_, block.count - kLastTap, std::numeric_limits<std::size_t>::max(),
               true);
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::startPending(const Block& block) {
    // Slots are filled from 0 on when the batch is flushed; the completed outputs read theirs
    // when they were collected. The stored position stays at the first pending output.
    double q = position_;
    pendingCount_ = collectRun(block, q, block.count, pending_.size(), false);
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
