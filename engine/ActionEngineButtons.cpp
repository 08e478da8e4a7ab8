// The button state machine: "Toggle", "Trigger" and "Auto repeat", with modifiers.

#include "engine/ActionEngine.h"
#include "engine/ModifierRule.h"

namespace qmt {

void ActionEngine::Press(Assignment& a, int64_t now) {
    a.lastActivation = now;
    if (!a.active) {
        if (a.function == kToggle) {
            a.toggleState = !a.toggleState;
            ButtonMessage(a, a.toggleState ? 0 : 1, now);
        } else if (a.function == kTrigger) {
            ButtonMessage(a, 0, now);
        } else if (a.function == kAutoRepeat) {
            a.repeatReference = now;
        }
    }
    a.active = true;
}

void ActionEngine::Release(Assignment& a, int64_t now) {
    if (a.active && a.function == kTrigger) ButtonMessage(a, 1, now);
    a.active = false;
}

// At most one Down/Up pair per report: a repeat that fell behind catches up one interval at a
// time rather than in a burst.
void ActionEngine::Repeat(Assignment& a, int64_t now) {
    if (!a.active || a.function != kAutoRepeat) return;
    if (now - a.repeatReference < a.interval) return;
    a.repeatReference += a.interval;
    ButtonMessage(a, 0, now);
    ButtonMessage(a, 1, now);
}

void ActionEngine::ButtonEvents(AssignmentList& list, const ControlContext& context, bool pressed) {
    bool taken = false;
    for (Assignment& a : list) {
        if (!HasModifier(a)) continue;
        if (pressed && ModifierAssignmentEligible(a, context, taken)) {
            taken = true;
            Press(a, context.now);
        } else {
            Release(a, context.now);
        }
        Repeat(a, context.now);
    }
    const bool plainAct = pressed && !taken && PlainAssignmentsLive(context);
    for (Assignment& a : list) {
        if (HasModifier(a)) continue;
        if (plainAct) {
            Press(a, context.now);
        } else {
            Release(a, context.now);
        }
        Repeat(a, context.now);
    }
}

}  // namespace qmt
