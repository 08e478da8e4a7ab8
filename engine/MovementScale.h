#pragma once
// The unit rotary movement is measured in. A preset stores each message's threshold as the
// threshold the user set times 4096, and a "Rotate" assignment makes one step per threshold
// of movement: 4096 of movement is one unit, so at the default threshold of 1.0 every unit
// is a step, and a user's threshold of 2.0 halves the steps.

#include <cstdint>

namespace qmt {

// Wheels that count whole ticks (the KV10's jog wheel, the small wheels of the ARDO
// models): every tick is one unit.
inline constexpr int32_t kTickMovement = 4096;

// Jog wheels that report fine sensor counts (the KV5's wheel position, the movement field
// of the ARDO models): 128 counts make one unit.
inline constexpr int32_t kFineCountMovement = kTickMovement / 128;

}  // namespace qmt
