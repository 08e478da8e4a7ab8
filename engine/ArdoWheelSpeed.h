#pragma once
// The ARDO models' wheel speed for the "Wheel top" hold: exponential smoothing over the
// device's own clock, and a decay used between reports so a wheel that stopped reporting
// (it stopped turning) lets go of the hold.

#include <cstdint>

namespace qmt {

class ArdoWheelSpeed {
  public:
    static constexpr int64_t kThreshold = 0x30000;

    void Reset(uint32_t deviceTime);
    // One report: the wheel's raw movement and the device time it was taken at.
    void Update(int32_t movement, uint32_t deviceTime);
    int64_t speed() const { return speed_; }
    // The speed as the idle step sees it, `elapsed` (100 ns) after the last report.
    int64_t Decayed(int64_t elapsed) const;

  private:
    int64_t speed_ = 0;
    uint32_t previousTime_ = 0;
};

}  // namespace qmt
