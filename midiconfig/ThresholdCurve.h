#pragma once
// The threshold slider of the assignment panel. The threshold is the control movement that
// makes one step; the slider spreads its range quadratically, so that the small thresholds
// that matter most get most of the slider's travel.

#include <cstdint>
#include <string>

namespace qmt {

struct ThresholdBounds {
    double lo;
    double hi;
};

// "Rotate" 1 to 512, "Slide" 64 to 32768 (the bounds of a "Slide" threshold are coarser
// because an absolute control reports 16-bit positions).
ThresholdBounds ThresholdBoundsOf(uint8_t function);

// The slider has 2501 positions, 0 to 2500.
inline constexpr int kThresholdSliderMax = 2500;

double ClampThreshold(double threshold, ThresholdBounds bounds);
// t = lo + (p / 2500)² × (hi − lo).
double ThresholdAtPosition(int position, ThresholdBounds bounds);
// p = ⌊√((t − lo) / (hi − lo)) × 2500 + 0.5⌋, for t within the bounds.
int PositionOfThreshold(double threshold, ThresholdBounds bounds);
// The threshold as a percentage of the lower bound, "%u%%": the lower bound reads "100%".
std::string PercentText(double threshold, ThresholdBounds bounds);
// The threshold for a percentage of the lower bound, clamped into the bounds.
double ThresholdAtPercent(long percent, ThresholdBounds bounds);

}  // namespace qmt
