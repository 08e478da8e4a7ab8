#pragma once
// Per-device button state: pressed now, held (pressed, or released less than the release
// timeout ago), when it was last seen pressed, and the release timeout the live presets
// register on it as a modifier.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/ActionEngine.h"
#include "model/Catalogue.h"

namespace qmt {

struct ButtonSlotState {
    bool pressed = false;
    bool held = false;
    // Without this a button never pressed since the presets became live would count as
    // held while the port clock is still smaller than its release timeout.
    bool seenPressed = false;
    int64_t lastSeenPressed = 0;
    int64_t releaseTimeout = 0;
};

class ButtonHeldStates {
  public:
    static constexpr size_t kNoSlot = kNoButtonSlot;

    void Resize(size_t slots) { slots_.assign(slots, ButtonSlotState{}); }
    // Forgets every state, time and registered timeout (new presets becoming live).
    void Clear();
    // Keeps the larger of the registered and the given timeout.
    void RegisterTimeout(size_t slot, int64_t timeout);
    // Takes the pressed bits of one report (bit n = slot n).
    void SetPressed(uint64_t pressedSlots);
    // Recomputes the held states at `now`; `skipSlot` ("Wheel top") follows its own rule.
    void Update(int64_t now, size_t skipSlot);

    ButtonSlotState& slot(size_t index) { return slots_[index]; }
    const ButtonSlotState& slot(size_t index) const { return slots_[index]; }
    size_t size() const { return slots_.size(); }

    // The held state per control identifier, as the engine's modifier rule reads it.
    void FillHeldTable(const ModelControls& controls, HeldTable& table) const;

  private:
    std::vector<ButtonSlotState> slots_;
};

}  // namespace qmt
