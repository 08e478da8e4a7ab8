// Velocity pads: a pressure becomes a note (or aftertouch) whose velocity grows with the
// pressure; 65535 means the pad was let go.

#include "engine/ActionEngine.h"
#include "engine/ModifierRule.h"

namespace qmt {

namespace {
constexpr uint16_t kReleased = 65535;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kAftertouch = 0xA0;
}  // namespace

void ActionEngine::PadEvent(Assignment& assignment, uint16_t pressure, int64_t now) {
    assignment.accumulator = pressure;
    const int which = pressure == kReleased ? 1 : 0;
    const Message& m = assignment.messages[which];
    if (m.kind != kMsgNote && m.kind != kMsgAftertouch) {
        ButtonMessage(assignment, which, now);
        return;
    }
    // A release is a note-on of velocity 0, which every receiver takes as a note-off.
    const uint8_t velocity = static_cast<uint8_t>(127 - (pressure >> 9));
    output_.Note(m.channel, m.kind == kMsgNote ? kNoteOn : kAftertouch, m.number, velocity, now);
}

void ActionEngine::PadEvents(AssignmentList& list, const ControlContext& context,
                             uint16_t pressure) {
    ApplyModifierRule(
        list, context,
        [&](Assignment& a) {
            if (a.accumulator == pressure) return;
            PadEvent(a, pressure, context.now);
            a.lastActivation = context.now;
        },
        [&](Assignment& a) { a.accumulator = pressure; });
}

}  // namespace qmt
