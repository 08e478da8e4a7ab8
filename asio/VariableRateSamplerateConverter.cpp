#include "asio/VariableRateSamplerateConverter.h"

#include <algorithm>
#include <cmath>

namespace qmt {

namespace {

// The negative of the smallest normal double: a carried output placed here lies before the new
// block (index -1) with phase 512, i.e. exactly at the block's start.
constexpr double kBeforeBlock = -2.2250738585072014e-308;

struct Tap {
    std::int64_t index;  // input index under tap 0
    int phase;           // kernel row
};

// floor and round-half-away-from-zero without library calls; both are exact for these ranges.
Tap locate(double position) {
    auto index = static_cast<std::int64_t>(position);
    if (static_cast<double>(index) > position) --index;
    const double scaled = (position - static_cast<double>(index)) * VariableRateKernel::kPhaseSteps;
    int phase = static_cast<int>(scaled);
    if (scaled - phase >= 0.5) ++phase;
    return {index, phase};
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
      chunk_(static_cast<std::size_t>(kChunk), 0.0) {}

template <typename T, std::int32_t Min, std::int32_t Max>
T VariableRateSamplerateConverter<T, Min, Max>::toSample(double value) {
    if (value < Min) value = Min;
    if (value > Max) value = Max;
    return T(static_cast<std::int32_t>(value));  // truncation toward zero
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::convert(const T* src, std::size_t count, T* dst,
                                                           std::size_t& produced) {
    produced = 0;
    const auto n = static_cast<std::int64_t>(count);
    const std::size_t first = completePending(src, n, dst, produced);
    if (pendingCount_ == 0) {
        if (position_ < 0.0) position_ = 0.0;
        produceFull(src, n, dst, produced);
        startPending(src, n);
    } else {
        continuePending(src, n, first);
    }
    position_ -= static_cast<double>(count);
}

template <typename T, std::int32_t Min, std::int32_t Max>
std::size_t VariableRateSamplerateConverter<T, Min, Max>::completePending(const T* src,
                                                                          std::int64_t count,
                                                                          T* dst,
                                                                          std::size_t& produced) {
    std::size_t first = 0;
    while (pendingCount_ > 0) {
        if (!(position_ < 0.0)) position_ = kBeforeBlock;
        const Tap at = locate(position_);
        if (at.index + kLastTap >= count) break;
        const double* c = kernel_.phase(at.phase);
        double sum = pending_[first];
        for (std::int64_t i = -at.index; i <= kLastTap; ++i)
            sum += sampleAt(src, at.index + i) * c[i];
        dst[produced++] = toSample(sum);
        ++first;
        --pendingCount_;
        position_ += step_;
    }
    return first;
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::loadChunk(const T* src, std::int64_t from,
                                                             std::int64_t to) {
    for (std::int64_t i = from; i < to; ++i)
        chunk_[static_cast<std::size_t>(i - from)] = sampleAt(src, i);
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::produceFull(const T* src, std::int64_t count,
                                                               T* dst, std::size_t& produced) {
    constexpr int kTaps = VariableRateKernel::kTaps;
    std::int64_t chunkStart = 0;
    std::int64_t chunkEnd = 0;  // inputs [chunkStart, chunkEnd) are in chunk_
    while (true) {
        const Tap a = locate(position_);
        if (a.index + kLastTap >= count) return;
        if (a.index + kLastTap >= chunkEnd) {
            chunkStart = a.index;
            chunkEnd = std::min(count, a.index + kChunk);
            loadChunk(src, chunkStart, chunkEnd);
        }
        // Four outputs at a time, each summed tap by tap in order: the independent sums keep
        // the adder busy while every output stays exactly the straight 33-tap sum.
        const double q1 = position_ + step_;
        const double q2 = q1 + step_;
        const double q3 = q2 + step_;
        const Tap d = locate(q3);
        const double* x0 = &chunk_[static_cast<std::size_t>(a.index - chunkStart)];
        const double* c0 = kernel_.phase(a.phase);
        if (d.index + kLastTap < chunkEnd) {
            const Tap b = locate(q1);
            const Tap c = locate(q2);
            const double* x1 = &chunk_[static_cast<std::size_t>(b.index - chunkStart)];
            const double* x2 = &chunk_[static_cast<std::size_t>(c.index - chunkStart)];
            const double* x3 = &chunk_[static_cast<std::size_t>(d.index - chunkStart)];
            const double* c1 = kernel_.phase(b.phase);
            const double* c2 = kernel_.phase(c.phase);
            const double* c3 = kernel_.phase(d.phase);
            double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
            for (int i = 0; i < kTaps; ++i) {
                s0 += x0[i] * c0[i];
                s1 += x1[i] * c1[i];
                s2 += x2[i] * c2[i];
                s3 += x3[i] * c3[i];
            }
            dst[produced] = toSample(s0);
            dst[produced + 1] = toSample(s1);
            dst[produced + 2] = toSample(s2);
            dst[produced + 3] = toSample(s3);
            produced += 4;
            position_ = q3 + step_;
        } else {
            double s0 = 0.0;
            for (int i = 0; i < kTaps; ++i)
                s0 += x0[i] * c0[i];
            dst[produced++] = toSample(s0);
            position_ = q1;
        }
    }
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::startPending(const T* src, std::int64_t count) {
    double q = position_;  // the stored position stays at the first pending output
    std::size_t stored = 0;
    while (stored < pending_.size()) {
        const Tap at = locate(q);
        if (at.index >= count) break;
        const double* c = kernel_.phase(at.phase);
        double sum = 0.0;
        for (std::int64_t i = 0; at.index + i < count; ++i)
            sum += sampleAt(src, at.index + i) * c[i];
        pending_[stored++] = sum;
        q += step_;
    }
    pendingCount_ = stored;
}

template <typename T, std::int32_t Min, std::int32_t Max>
void VariableRateSamplerateConverter<T, Min, Max>::continuePending(const T* src, std::int64_t count,
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
        if (at.index >= count) break;
        const double* c = kernel_.phase(at.phase);
        double sum = isCarried ? pending_[index] : 0.0;
        for (std::int64_t i = std::max<std::int64_t>(0, -at.index);
             i <= kLastTap && at.index + i < count; ++i)
            sum += sampleAt(src, at.index + i) * c[i];
        pending_[index++] = sum;
        q += step_;
    }
    pendingCount_ = index;
}

template class VariableRateSamplerateConverter<short, -32768, 32767>;
template class VariableRateSamplerateConverter<Int24, -8388608, 8388607>;

}  // namespace qmt
