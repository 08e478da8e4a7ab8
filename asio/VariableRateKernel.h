#pragma once
// The interpolation kernel of the variable-rate converter: a Kaiser-windowed sinc of 33 taps,
// tabulated at 513 fractional positions so that a phase row can be looked up per output.

#include <array>
#include <cstddef>
#include <vector>

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

    // Zeros on each side of every padded row: a window of four neighbouring outputs can then
    // be summed over one common run of inputs, each output reading its own row shifted by up
    // to this many taps, with zeros where its window does not reach.
    static constexpr int kPad = 8;
    static constexpr int kPaddedStride = kTaps + kPad;

    // The same 33 coefficients of phase p, with at least kPad zeros before tap 0 and after tap
    // 32 (the rows share their zero runs).
    const double* paddedPhase(int p) const {
        return padded_.data() + kPad + static_cast<std::size_t>(p) * kPaddedStride;
    }

    // sinc(t) × Kaiser window at t, the formula every table entry comes from.
    static double coefficient(double t);

  private:
    VariableRateKernel();

    std::array<std::array<double, kTaps>, kPhases> table_;
    std::vector<double> padded_;
};

}  // namespace qmt
