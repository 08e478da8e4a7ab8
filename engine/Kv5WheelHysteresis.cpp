#include "engine/Kv5WheelHysteresis.h"

namespace qmt {

void Kv5WheelHysteresis::Reset(uint16_t reading) {
    lower_ = static_cast<uint16_t>(reading - kWidth / 2);
}

int32_t Kv5WheelHysteresis::Step(uint16_t reading) {
    // Distance from the lower edge, taken the short way round the 16-bit circle.
    const int32_t offset = static_cast<int16_t>(static_cast<uint16_t>(reading - lower_));
    int32_t movement = 0;
    if (offset > kWidth)
        movement = offset - kWidth;
    else if (offset < 0)
        movement = offset;
    lower_ = static_cast<uint16_t>(lower_ + movement);
    return movement;
}

}  // namespace qmt
