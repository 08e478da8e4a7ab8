#pragma once
// Which of a control's assignments act on an event: those with a modifier first, while their
// modifier is held, then the plain ones, unless a modifier assignment took the control.

#include "engine/ActionEngine.h"

namespace qmt {

inline bool HasModifier(const Assignment& assignment) {
    return assignment.modifier < kNoControl;
}

inline bool ModifierHeld(const Assignment& assignment, const ControlContext& context) {
    return context.held != nullptr && assignment.modifier < context.held->size() &&
           (*context.held)[assignment.modifier];
}

// KV models keep a modifier assignment eligible for its own release timeout after its last
// activation. An assignment that never acted has no grace time: its zero activation time is
// not a moment, and a clock that starts near zero must not make it look recent.
inline bool WithinGraceTime(const Assignment& assignment, int64_t now) {
    return assignment.lastActivation > 0 &&
           now - assignment.lastActivation <= assignment.releaseTimeout;
}

inline bool ModifierAssignmentEligible(const Assignment& assignment, const ControlContext& context,
                                       bool taken) {
    if (context.family == ModelFamily::Ardo)
        return !taken && context.live && ModifierHeld(assignment, context);
    return (!taken && ModifierHeld(assignment, context)) ||
           WithinGraceTime(assignment, context.now);
}

// Plain assignments of an ARDO preset act only while the preset is live.
inline bool PlainAssignmentsLive(const ControlContext& context) {
    return context.family == ModelFamily::Kv || context.live;
}

// The two passes for rotary, absolute and pad controls: `evaluate` gets the assignments that
// act, `park` the others, so that they can keep their accumulators from jumping.
template <class Evaluate, class Park>
void ApplyModifierRule(AssignmentList& list, const ControlContext& context, Evaluate&& evaluate,
                       Park&& park) {
    bool taken = false;
    for (Assignment& assignment : list) {
        if (!HasModifier(assignment)) continue;
        if (ModifierAssignmentEligible(assignment, context, taken)) {
            taken = true;
            evaluate(assignment);
        } else {
            park(assignment);
        }
    }
    const bool plainAct = !taken && PlainAssignmentsLive(context);
    for (Assignment& assignment : list) {
        if (HasModifier(assignment)) continue;
        if (plainAct) {
            evaluate(assignment);
        } else {
            park(assignment);
        }
    }
}

}  // namespace qmt
