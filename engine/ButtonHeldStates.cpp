#include "engine/ButtonHeldStates.h"

#include <algorithm>

namespace qmt {

void ButtonHeldStates::Clear() {
    std::fill(slots_.begin(), slots_.end(), ButtonSlotState{});
}

void ButtonHeldStates::RegisterTimeout(size_t slot, int64_t timeout) {
    if (slot >= slots_.size()) return;
    slots_[slot].releaseTimeout = std::max(slots_[slot].releaseTimeout, timeout);
}

void ButtonHeldStates::SetPressed(uint64_t pressedSlots) {
    for (size_t n = 0; n < slots_.size(); ++n)
        slots_[n].pressed = (pressedSlots >> n) & 1u;
}

void ButtonHeldStates::Update(int64_t now, size_t skipSlot) {
    for (size_t n = 0; n < slots_.size(); ++n) {
        ButtonSlotState& s = slots_[n];
        if (s.pressed) {
            s.lastSeenPressed = now;
            s.seenPressed = true;
        }
        if (n == skipSlot) continue;
        s.held = s.seenPressed && s.releaseTimeout >= now - s.lastSeenPressed;
    }
}

void ButtonHeldStates::FillHeldTable(const ModelControls& controls, HeldTable& table) const {
    table.fill(false);
    for (size_t n = 0; n < controls.buttons.size() && n < slots_.size(); ++n)
        table[controls.buttons[n]] = slots_[n].held;
}

}  // namespace qmt
