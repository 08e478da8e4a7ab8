// Relative controls: movement accumulates until it makes whole steps of the message's
// threshold, which become notes, encoded relative values, increments or one-shot messages.

#include "engine/ActionEngine.h"
#include "engine/ModifierRule.h"
#include "engine/RelativeEncoding.h"

namespace qmt {

namespace {
constexpr uint8_t kAftertouch = 0xA0;
}  // namespace

bool ActionEngine::RotateEvent(Assignment& assignment, int32_t movement, int64_t now) {
    const int64_t turned = assignment.inverted ? -int64_t{movement} : int64_t{movement};
    const int64_t a = assignment.accumulator + turned;
    const Message& message = assignment.messages[turned >= 0 ? 0 : 1];
    const int64_t t = message.threshold;
    // The validator refuses a threshold of 0 or less; without one no step can be measured, so
    // such a message stays silent instead of dividing by it.
    if (t <= 0) {
        assignment.accumulator = 0;
        return false;
    }
    switch (message.kind) {
        case kMsgNote:
        case kMsgAftertouch:
            return RotateNotes(assignment, message, a, t, now);
        case kMsgControlChange:
        case kMsgProgramChange:
        case kMsgHiResControlChange:
            return RotateValue(assignment, message, a, t, now);
        case kMsgControlChangeInc:
        case kMsgProgramChangeInc:
        case kMsgHiResControlChangeInc:
            return RotateIncrement(assignment, message, a, t, now);
        case kMsgPitchWheel:
            return RotatePitch(assignment, message, a, t, now);
        case kMsgPitchWheelInc:
            return RotatePitchIncrement(assignment, message, a, t, now);
        case kMsgChannelMode:
        case kMsgExtended:
            return RotateOnce(assignment, message, a, t, now);
        default:
            assignment.accumulator = 0;
            return false;
    }
}

// One note per call; what is left over plays on the following reports.
bool ActionEngine::RotateNotes(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                               int64_t now) {
    if (a > -t && a < t) {
        assignment.accumulator = a;
        return false;
    }
    assignment.accumulator = a <= -t ? a + t : a - t;
    if (message.kind == kMsgNote) {
        output_.NoteOnOff(message.channel, message.number, Data7(message.value), now);
    } else {
        output_.Note(message.channel, kAftertouch, message.number, Data7(message.value), now);
    }
    return true;
}

// Control change, program change and the 14-bit pair used relatively: the steps are encoded
// into the value. Encodings without a neutral step send their neutral value once on stop.
bool ActionEngine::RotateValue(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                               int64_t now) {
    const int64_t s = a / t;
    const bool stepped = s != 0;
    const bool onChange = SendsNeutralOnStop(message.encoding);
    if (message.kind == kMsgHiResControlChange) {
        output_.HiResControlChangeWhereDue(message.channel, message.number,
                                           EncodeSteps14(s, message.encoding), stepped, onChange,
                                           now);
    } else if (message.kind == kMsgProgramChange) {
        output_.ProgramChangeWhereDue(message.channel, EncodeSteps7(s, message.encoding), stepped,
                                      onChange, now);
    } else {
        output_.ControlChangeWhereDue(message.channel, message.number,
                                      EncodeSteps7(s, message.encoding), stepped, onChange, now);
    }
    assignment.accumulator = a - s * t;
    return stepped;
}

bool ActionEngine::RotateIncrement(Assignment& assignment, const Message& message, int64_t a,
                                   int64_t t, int64_t now) {
    const int64_t s = a / t;
    assignment.accumulator = a - s * t;
    if (s == 0) return false;
    if (message.kind == kMsgControlChangeInc) {
        output_.ControlChangeBy(message.channel, message.number, s, message.min, message.max, now);
    } else if (message.kind == kMsgProgramChangeInc) {
        output_.ProgramChangeBy(message.channel, s, message.min, message.max, now);
    } else {
        output_.HiResControlChangeBy(message.channel, message.number, s, message.min, message.max,
                                     now);
    }
    return true;
}

// The pitch wheel counts its steps in 1/128 of the threshold. When to send is ours to
// choose: like the other encoded kinds, whenever a step was made, and for the encodings with
// a neutral value also when the encoded value differs from the stored pitch, so that the
// neutral value goes out once when the movement stops and never again while it rests.
bool ActionEngine::RotatePitch(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                               int64_t now) {
    const int64_t s = (a * 128) / t;
    const bool stepped = s != 0;
    output_.PitchWheelWhereDue(message.channel, EncodeSteps14(s, message.encoding), stepped,
                               SendsNeutralOnStop(message.encoding), now);
    assignment.accumulator = (a * 128 - s * t) / 128;
    return stepped;
}

bool ActionEngine::RotatePitchIncrement(Assignment& assignment, const Message& message, int64_t a,
                                        int64_t t, int64_t now) {
    if (a > -t && a < t) {
        assignment.accumulator = a;
        return false;
    }
    output_.PitchWheelBy(message.channel, (a * 128 * kPitchScale) / t, message.min, message.max,
                         now);
    assignment.accumulator = 0;
    return true;
}

// Channel mode and extended messages fire once per threshold crossed; the rest is dropped.
bool ActionEngine::RotateOnce(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                              int64_t now) {
    if (a > -t && a < t) {
        assignment.accumulator = a;
        return false;
    }
    SendStateless(message, now);
    assignment.accumulator = 0;
    return true;
}

void ActionEngine::RotaryEvents(AssignmentList& list, const ControlContext& context,
                                int32_t movement) {
    ApplyModifierRule(
        list, context,
        [&](Assignment& assignment) {
            if (RotateEvent(assignment, movement, context.now))
                assignment.lastActivation = context.now;
        },
        [](Assignment& assignment) { assignment.accumulator = 0; });
}

}  // namespace qmt
