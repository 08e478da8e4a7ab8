#include "tools/qmtasiohost/SwitchStatistics.h"

#include <cmath>

namespace qmt::asiohost {

void SwitchStatistics::reset(double periodNs) {
    *this = SwitchStatistics(periodNs);
}

void SwitchStatistics::add(uint64_t nowNs, int32_t half) {
    const auto now = static_cast<double>(nowNs);
    if (switches_++ == 0) {
        firstNs_ = nowNs;
        expectedNs_ = now;
    } else {
        const double deviation = static_cast<double>(nowNs - lastNs_) - periodNs_;
        sumSquares_ += deviation * deviation;
        maxDeviation_ = std::max(maxDeviation_, std::fabs(deviation));
        // A switch may come late by up to a period before the half it stands for is lost:
        // the other half is still playing. The schedule follows early switches, so a clock
        // that runs a little fast is not taken for lateness.
        expectedNs_ += periodNs_;
        const double lateness = now - expectedNs_;
        uint64_t missed = half == lastHalf_ ? 1 : 0;
        if (lateness < 0) {
            expectedNs_ = now;
        } else if (periodNs_ > 0 && lateness > periodNs_) {
            missed = std::max(missed, static_cast<uint64_t>(lateness / periodNs_));
            expectedNs_ = now;
        }
        missed_ += missed;
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
