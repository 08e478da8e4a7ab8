// The portable path of the window sums: plain loops the compiler may unroll but never fuses.

#include "asio/VariableRateWindowSumsDetail.h"

namespace qmt::window_sums {

void sumPortable(const VariableRateWindowSums::Run& run) {
    const auto& kernel = VariableRateKernel::instance();
    const double* x = run.x;
    const std::int64_t base = run.base;
    const std::int64_t* first = run.first;
    const std::int32_t* phase = run.phase;
    double* sums = run.sums;
    const std::size_t n = run.count;
    std::size_t k = 0;
    // Four outputs at a time, each summed tap by tap in order: the independent sums keep the
    // adder busy while every output stays exactly its straight 33-tap sum.
    for (; k + 4 <= n; k += 4) {
        const double* x0 = x + (first[k] - base);
        const double* x1 = x + (first[k + 1] - base);
        const double* x2 = x + (first[k + 2] - base);
        const double* x3 = x + (first[k + 3] - base);
        const double* c0 = kernel.paddedPhase(phase[k]);
        const double* c1 = kernel.paddedPhase(phase[k + 1]);
        const double* c2 = kernel.paddedPhase(phase[k + 2]);
        const double* c3 = kernel.paddedPhase(phase[k + 3]);
        double s0 = sums[k], s1 = sums[k + 1], s2 = sums[k + 2], s3 = sums[k + 3];
        for (int t = 0; t < kTaps; ++t) {
            s0 += x0[t] * c0[t];
            s1 += x1[t] * c1[t];
            s2 += x2[t] * c2[t];
            s3 += x3[t] * c3[t];
        }
        sums[k] = s0;
        sums[k + 1] = s1;
        sums[k + 2] = s2;
        sums[k + 3] = s3;
    }
    for (; k < n; ++k)
        sumOne(x, first[k] - base, kernel.paddedPhase(phase[k]), sums[k]);
}

std::size_t locatePortable(double& q, double step, std::int64_t end, std::size_t room,
                           std::int64_t* first, std::int32_t* phase) {
    std::size_t n = 0;
    double position = q;
    for (; n < room; ++n) {
        const auto at = VariableRateWindowSums::locate(position);
        if (at.index >= end) break;
        first[n] = at.index;
        phase[n] = at.phase;
        position += step;
    }
    q = position;
    return n;
}

}  // namespace qmt::window_sums
