#include "midiconfig/ThresholdCurve.h"

#include <algorithm>
#include <cmath>

#include "model/Catalogue.h"

namespace qmt {

ThresholdBounds ThresholdBoundsOf(uint8_t function) {
    if (function == kSlide) return {64.0, 32768.0};
    return {1.0, 512.0};
}

double ClampThreshold(double threshold, ThresholdBounds bounds) {
    if (std::isnan(threshold)) return bounds.lo;
    return std::clamp(threshold, bounds.lo, bounds.hi);
}

double ThresholdAtPosition(int position, ThresholdBounds bounds) {
    const double p =
        static_cast<double>(std::clamp(position, 0, kThresholdSliderMax)) / kThresholdSliderMax;
    return bounds.lo + p * p * (bounds.hi - bounds.lo);
}

int PositionOfThreshold(double threshold, ThresholdBounds bounds) {
    const double t = ClampThreshold(threshold, bounds);
    return static_cast<int>(std::floor(
        std::sqrt((t - bounds.lo) / (bounds.hi - bounds.lo)) * kThresholdSliderMax + 0.5));
}

std::string PercentText(double threshold, ThresholdBounds bounds) {
    const double percent = std::floor(100.0 * threshold / bounds.lo + 0.5);
    return std::to_string(static_cast<unsigned long>(std::max(percent, 0.0))) + "%";
}

double ThresholdAtPercent(long percent, ThresholdBounds bounds) {
    return ClampThreshold(static_cast<double>(percent) * bounds.lo / 100.0, bounds);
}

}  // namespace qmt
