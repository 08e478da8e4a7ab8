#include "engine/WheelTopHold.h"

namespace qmt {

namespace {
constexpr int64_t kOneMs = 10'000;
}

void WheelTopHold::Apply(ButtonSlotState& state, int64_t speed, int64_t threshold, int64_t now) {
    if (state.pressed) {
        state.held = true;
        speedAtTouch_ = speed;
        return;
    }
    if (!state.held) return;  // stays released until the next touch
    const bool forward = speed > 0 && speedAtTouch_ > 0 && speed > threshold;
    const bool backward = speed < 0 && speedAtTouch_ < 0 && speed < -threshold;
    if (forward || backward) return;
    state.held = false;
    // Moves the last touch out of the release timeout so the ordinary rule cannot revive it.
    state.lastSeenPressed = now - state.releaseTimeout - kOneMs;
}

}  // namespace qmt
