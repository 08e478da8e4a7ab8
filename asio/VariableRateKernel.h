#pragma once
// The interpolation kernel of the variable-rate converter: a Kaiser-windowed sinc of 33 taps,
// tabulated at 513 fractional positions so that a phase row can be looked up per output.

#include <array>
#include <cstddef>

namespace qmt {

class VariableRateKernel {
  public:
    static constexpr int kTaps = 33;
    static constexpr int kPhases = 513;
    static constexpr int kPhaseSteps = kPhases - 1;  // phases per input sample
    static constexpr int kCentreTap = 16;
    static constexpr double kBeta = 5.0;
    static constexpr double kHalfWidth = 17.0;

    // The process-wide table, computed on first use. Take it when a converter is made, so the
    // streaming thread never pays for (or waits on) the computation.
    static const VariableRateKernel& instance();

    // The 33 coefficients of phase p (0 ... 512).
    const double* phase(int p) const { return table_[static_cast<std::size_t>(p)].data(); }

    // sinc(t) × Kaiser window at t, the formula every table entry comes from.
    static double coefficient(double t);

  private:
    VariableRateKernel();

    std::array<std::array<double, kTaps>, kPhases> table_;
};

}  // namespace qmt
