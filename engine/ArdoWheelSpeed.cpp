#include "engine/ArdoWheelSpeed.h"

#include <algorithm>

namespace qmt {

namespace {
constexpr int64_t kFullWeight = 49999;
constexpr int64_t kShortestGap = 1900;
constexpr int64_t kDecayStart = 1900;
}  // namespace

void ArdoWheelSpeed::Reset(uint32_t deviceTime) {
    speed_ = 0;
    previousTime_ = deviceTime;
}

void ArdoWheelSpeed::Update(int32_t movement, uint32_t deviceTime) {
    int64_t elapsed = static_cast<uint32_t>(deviceTime - previousTime_);
    previousTime_ = deviceTime;
    // Implausible gaps (a burst, or a long pause) count as one full period.
    if (elapsed < kShortestGap || elapsed > kFullWeight) elapsed = kFullWeight;
    // A weighted mean of the counts per report with 15 fraction bits (x 32768): the hold
    // threshold of 0x30000 is six counts per report.
    speed_ = (speed_ * (kFullWeight - elapsed) + int64_t{movement} * elapsed * 32768) / kFullWeight;
}

int64_t ArdoWheelSpeed::Decayed(int64_t elapsed) const {
    const int64_t c = elapsed / 5;
    if (c <= kDecayStart - 1) return speed_;
    const int64_t k = ((c - kDecayStart) * 65536) / kDecayStart;
    if (speed_ > 0) return std::max<int64_t>(speed_ - k, 0);
    return std::min<int64_t>(speed_ + k, 0);
}

}  // namespace qmt
