#pragma once
// The KV models' wheel speed for the "Wheel top" hold: a second-order recursive low-pass
// filter in integer arithmetic. Its DC gain is one, so the speed follows the input in the
// input's units once the wheel turns steadily.

#include <cstdint>

namespace qmt {

class WheelTopFilter {
  public:
    void Reset();
    // Feeds one report's input and returns the filtered speed.
    int64_t Step(int64_t input);

  private:
    int64_t x1_ = 0, x2_ = 0;  // earlier inputs
    int64_t y1_ = 0, y2_ = 0;  // earlier outputs
};

}  // namespace qmt
