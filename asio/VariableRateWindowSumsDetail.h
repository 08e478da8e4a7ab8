#pragma once
// What the parts of the variable-rate window sums share: the run geometry, the sum of one
// output, and the entry points of the portable and the vector path. Only the window sums'
// own sources include it; everything here is built with every product and sum rounded on its
// own (no fused multiply-add), so both paths give the same bits.

#include <cstddef>
#include <cstdint>

#include "asio/VariableRateKernel.h"
#include "asio/VariableRateWindowSums.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QMT_HAVE_AVX2_PATH 1
#endif

namespace qmt::window_sums {

constexpr int kTaps = VariableRateKernel::kTaps;
constexpr int kPad = VariableRateKernel::kPad;

// The common run of inputs four neighbouring outputs are summed over: the widest window of the
// group, rounded up to whole pairs of taps.
inline int runWidth(int spreadLimit) {
    return (kTaps + spreadLimit + 1) & ~1;
}

inline int tableWidth(int spreadLimit) {
    return runWidth(spreadLimit);
}

inline bool runFitsPadding(int spreadLimit) {
    return spreadLimit >= 0 && spreadLimit <= kPad && tableWidth(spreadLimit) <= kTaps + kPad;
}

// One output, tap by tap.
inline void sumOne(const double* x, std::int64_t first, const double* row, double& sum) {
    const double* in = x + first;
    double s = sum;
    for (int t = 0; t < kTaps; ++t)
        s += in[t] * row[t];
    sum = s;
}

// The portable path: every output summed tap by tap, four at a time.
void sumPortable(const VariableRateWindowSums::Run& run);
std::size_t locatePortable(double& q, double step, std::int64_t end, std::size_t room,
                           std::int64_t* first, std::int32_t* phase);

#ifdef QMT_HAVE_AVX2_PATH
// The vector path, for processors with AVX2. Each converting function handles the longest
// prefix it can and returns its length; the caller finishes the rest one by one.
void sumAvx2(const VariableRateWindowSums::Run& run);
std::size_t locateAvx2(double& q, double step, std::int64_t end, std::size_t room,
                       std::int64_t* first, std::int32_t* phase);
std::size_t toSamplesAvx2(const double* sums, std::size_t count, std::int32_t lo, std::int32_t hi,
                          std::int32_t* out);
std::size_t toDoublesAvx2(const std::int16_t* in, std::size_t count, double* out);
std::size_t packed24ToDoublesAvx2(const std::uint8_t* in, std::size_t count, double* out);
std::size_t toPacked24Avx2(const std::int32_t* in, std::size_t count, std::uint8_t* out);
#endif

}  // namespace qmt::window_sums
