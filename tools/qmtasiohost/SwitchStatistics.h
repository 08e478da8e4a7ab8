#pragma once
// Timing of the buffer switches a host receives: the mean period, how far single periods
// stray from the expected one (jitter), and halves that were lost: a switch more than a
// period behind its schedule (the other half had played out before the host was asked to
// fill this one), or the same half twice in a row.

#include <cstdint>

namespace qmt::asiohost {

class SwitchStatistics {
  public:
    struct Summary {
        uint64_t switches = 0;
        double meanPeriodMs = 0;
        double jitterRmsMs = 0;
        double jitterMaxMs = 0;
        uint64_t missedHalves = 0;
    };

    explicit SwitchStatistics(double periodNs = 0) : periodNs_(periodNs) {}

    void reset(double periodNs);
    void add(uint64_t nowNs, int32_t half);
    Summary summary() const;

  private:
    double periodNs_;
    double expectedNs_ = 0;  // when the next switch is due
    uint64_t switches_ = 0;
    uint64_t firstNs_ = 0;
    uint64_t lastNs_ = 0;
    int32_t lastHalf_ = -1;
    double sumSquares_ = 0;
    double maxDeviation_ = 0;
    uint64_t missed_ = 0;
};

}  // namespace qmt::asiohost
