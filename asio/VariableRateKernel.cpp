#include "asio/VariableRateKernel.h"

#include <cmath>
#include <numbers>

namespace qmt {

namespace {

// sin(pi t) / (pi t), exactly 0 at the non-zero integers so that the whole-sample phases are
// true unit impulses and pass samples through unchanged.
double sinc(double t) {
    if (t == 0.0) return 1.0;
    if (t == std::trunc(t)) return 0.0;
    const double x = std::numbers::pi * t;
    return std::sin(x) / x;
}

double kaiser(double t) {
    const double r = t / VariableRateKernel::kHalfWidth;
    const double inside = std::max(0.0, 1.0 - r * r);
    return std::cyl_bessel_i(0.0, VariableRateKernel::kBeta * std::sqrt(inside)) /
           std::cyl_bessel_i(0.0, VariableRateKernel::kBeta);
}

}  // namespace

double VariableRateKernel::coefficient(double t) {
    return sinc(t) * kaiser(t);
}

VariableRateKernel::VariableRateKernel()
    : padded_(static_cast<std::size_t>(kPad + kPhases * kPaddedStride), 0.0) {
    for (int p = 0; p < kPhases; ++p) {
        for (int i = 0; i < kTaps; ++i) {
            const double t = i - kCentreTap - static_cast<double>(p) / kPhaseSteps;
            const double c = coefficient(t);
            table_[static_cast<std::size_t>(p)][static_cast<std::size_t>(i)] = c;
            padded_[static_cast<std::size_t>(kPad + p * kPaddedStride + i)] = c;
        }
    }
}

const VariableRateKernel& VariableRateKernel::instance() {
    static const VariableRateKernel kernel;
    return kernel;
}

}  // namespace qmt
