#pragma once
// The KV5 reports its wheel as a 16-bit position that jitters by a few counts. A window of
// 16 counts follows the reading: readings inside the window give no movement, a reading
// beyond an edge drags the window along and moves by the distance it was dragged. So jitter
// of up to 16 counts is suppressed, every real movement comes out with its own sign, and a
// change of direction only costs the width of the window, never a jump.

#include <cstdint>

namespace qmt {

class Kv5WheelHysteresis {
  public:
    static constexpr int32_t kWidth = 16;

    // Centres the window on the reading.
    void Reset(uint16_t reading);
    // Movement in position counts for one reading (positions wrap at 65536).
    int32_t Step(uint16_t reading);

  private:
    uint16_t lower_ = 0;  // the window is lower_ .. lower_ + kWidth
};

}  // namespace qmt
