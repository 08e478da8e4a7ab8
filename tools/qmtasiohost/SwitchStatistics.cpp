#include "tools/qmtasiohost/SwitchStatistics.h"

#include <cmath>

namespace qmt::asiohost {

void SwitchStatistics::reset(double expectedPeriodNs) {
    *this = SwitchStatistics(expectedPeriodNs);
}

void SwitchStatistics::add(uint64_t nowNs, int32_t half) {
    if (switches_++ == 0) {
        firstNs_ = nowNs;
    } else {
        const double gap = static_cast<double>(nowNs - lastNs_);
        const double deviation = gap - expectedNs_;
        sumSquares_ += deviation * deviation;
        maxDeviation_ = std::max(maxDeviation_, std::fabs(deviation));
        const auto periods =
            expectedNs_ > 0 ? static_cast<uint64_t>(std::llround(gap / expectedNs_)) : 1;
        const uint64_t skipped = periods > 1 ? periods - 1 : 0;
        missed_ += std::max<uint64_t>(skipped, half == lastHalf_ ? 1 : 0);
    }
    lastNs_ = nowNs;
    lastHalf_ = half;
}

SwitchStatistics::Summary SwitchStatistics::summary() const {
    Summary summary;
    summary.switches = switches_;
    summary.missedHalves = missed_;
    if (switches_ < 2) return summary;
    const double gaps = static_cast<double>(switches_ - 1);
    summary.meanPeriodMs = static_cast<double>(lastNs_ - firstNs_) / gaps / 1e6;
    summary.jitterRmsMs = std::sqrt(sumSquares_ / gaps) / 1e6;
    summary.jitterMaxMs = maxDeviation_ / 1e6;
    return summary;
}

}  // namespace qmt::asiohost
