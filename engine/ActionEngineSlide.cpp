// Absolute controls: a position 0 to 65535 is sent once it has moved by the message's
// threshold (in position units times 4096) from where it was last sent.

#include "engine/ActionEngine.h"
#include "engine/ModifierRule.h"

namespace qmt {

namespace {

constexpr int64_t kPositionScale = 4096;
constexpr uint8_t kAftertouch = 0xA0;

int64_t EffectivePosition(const Assignment& assignment, uint16_t position) {
    return assignment.inverted ? 65535 - position : position;
}

// A position scaled into min..max.
int64_t Scale(const Message& m, int64_t p) {
    return m.min + ((p * (int64_t{m.max} - m.min)) >> 16);
}

}  // namespace

void ActionEngine::TrackPosition(Assignment& assignment, uint16_t position) {
    assignment.accumulator = EffectivePosition(assignment, position) * kPositionScale;
}

bool ActionEngine::SlideEvent(Assignment& assignment, uint16_t position, int64_t now) {
    const int64_t p = EffectivePosition(assignment, position);
    const int64_t delta = p * kPositionScale - assignment.accumulator;
    const Message& message = assignment.messages[delta >= 0 ? 0 : 1];
    const int64_t t = message.threshold;
    const bool sends =
        message.kind != kMsgNone && message.kind != kMsgKey && message.kind < kMessageKindCount;
    // Without a positive threshold (refused by the validator) nothing could stop a note from
    // repeating on every report, so such a message follows the position silently.
    if (!sends || t <= 0) {
        assignment.accumulator = p * kPositionScale;
        return false;
    }
    if (message.kind == kMsgNote || message.kind == kMsgAftertouch)
        return SlideNotes(assignment, message, delta, t, now);
    if (delta > -t && delta < t) return false;
    SlideValue(message, static_cast<uint16_t>(p), now);
    assignment.accumulator = p * kPositionScale;
    return true;
}

// One note per threshold crossed, the accumulator moving by exactly one threshold per call.
bool ActionEngine::SlideNotes(Assignment& assignment, const Message& m, int64_t delta, int64_t t,
                              int64_t now) {
    if (delta > -t && delta < t) return false;
    assignment.accumulator += delta <= -t ? -t : t;
    if (m.kind == kMsgNote) {
        output_.NoteOnOff(m.channel, m.number, Data7(m.value), now);
    } else {
        output_.Note(m.channel, kAftertouch, m.number, Data7(m.value), now);
    }
    return true;
}

void ActionEngine::SlideValue(const Message& m, uint16_t p, int64_t now) {
    const int64_t msb = p >> 9;
    switch (m.kind) {
        case kMsgControlChange:
            output_.ControlChange(m.channel, m.number, msb, now);
            break;
        case kMsgControlChangeInc:
            output_.ControlChange(m.channel, m.number, Scale(m, p), now);
            break;
        case kMsgProgramChange:
            output_.ProgramChange(m.channel, msb, now);
            break;
        case kMsgProgramChangeInc:
            output_.ProgramChange(m.channel, Scale(m, p), now);
            break;
        case kMsgPitchWheel:
            output_.PitchWheel(m.channel, p >> 2, now);
            break;
        case kMsgPitchWheelInc:
            output_.PitchWheel(m.channel, Scale(m, p), now);
            break;
        case kMsgHiResControlChange:
            output_.HiResControlChange(m.channel, m.number, p >> 2, now);
            break;
        case kMsgHiResControlChangeInc:
            output_.HiResControlChange(m.channel, m.number, Scale(m, p), now);
            break;
        default:
            SendStateless(m, now);
            break;
    }
}

void ActionEngine::SlideEvents(AssignmentList& list, const ControlContext& context,
                               uint16_t position) {
    ApplyModifierRule(
        list, context,
        [&](Assignment& a) {
            if (SlideEvent(a, position, context.now)) a.lastActivation = context.now;
        },
        [&](Assignment& a) { TrackPosition(a, position); });
}

}  // namespace qmt
