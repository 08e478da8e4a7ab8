#pragma once
// "Wheel top" is the wheel's touch surface. Its held state, which modifiers see, outlasts
// the touch for as long as the wheel keeps spinning fast in the direction it had at the
// last touched report, so a flicked wheel still counts as touched until it slows down.

#include <cstdint>

#include "engine/ButtonHeldStates.h"

namespace qmt {

class WheelTopHold {
  public:
    void Reset() { speedAtTouch_ = 0; }
    // `threshold` is the speed the wheel must exceed (192 on KV, 0x30000 on ARDO models).
    void Apply(ButtonSlotState& state, int64_t speed, int64_t threshold, int64_t now);

  private:
    int64_t speedAtTouch_ = 0;
};

}  // namespace qmt
