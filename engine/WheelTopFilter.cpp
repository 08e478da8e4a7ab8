#include "engine/WheelTopFilter.h"

namespace qmt {

namespace {
constexpr int64_t kB0 = 253799;
constexpr int64_t kB1 = 507599;
constexpr int64_t kB2 = 253799;
constexpr int64_t kA1 = -31313;
constexpr int64_t kA2 = 14991;
constexpr int64_t kOutputScale = 16384;
constexpr int64_t kSpeedScale = int64_t{1} << 28;
}  // namespace

void WheelTopFilter::Reset() {
    x1_ = x2_ = y1_ = y2_ = 0;
}

int64_t WheelTopFilter::Step(int64_t input) {
    const int64_t sum = kB0 * input + kB1 * x1_ + kB2 * x2_ - kA1 * y1_ - kA2 * y2_;
    x2_ = x1_;
    x1_ = input;
    y2_ = y1_;
    y1_ = sum / kOutputScale;
    return sum / kSpeedScale;
}

}  // namespace qmt
