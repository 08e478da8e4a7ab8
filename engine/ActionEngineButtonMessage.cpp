// A message sent as a button action: fixed values, or incremental ones that continue from
// the driver-wide state.

#include "engine/ActionEngine.h"

namespace qmt {

namespace {
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kAftertouch = 0xA0;
}  // namespace

void ActionEngine::SendStateless(const Message& m, int64_t now) {
    if (m.kind == kMsgChannelMode) output_.ChannelMode(m.channel, m.value, now);
    if (m.kind == kMsgExtended) output_.Extended(m.extended, now);
}

void ActionEngine::ButtonMessage(const Assignment& assignment, int which, int64_t now) {
    if (which != 0 && which != 1) return;
    const Message& m = assignment.messages[which];
    switch (m.kind) {
        case kMsgNote:
            output_.Note(m.channel, kNoteOn, m.number, Data7(m.value), now);
            break;
        case kMsgAftertouch:
            output_.Note(m.channel, kAftertouch, m.number, Data7(m.value), now);
            break;
        case kMsgControlChange:
            output_.ControlChange(m.channel, m.number, m.value, now);
            break;
        case kMsgControlChangeInc:
            output_.ControlChangeBy(m.channel, m.number, m.step, m.min, m.max, now);
            break;
        case kMsgProgramChange:
            output_.ProgramChange(m.channel, m.value, now);
            break;
        case kMsgProgramChangeInc:
            output_.ProgramChangeBy(m.channel, m.step, m.min, m.max, now);
            break;
        case kMsgPitchWheel:
            output_.PitchWheel(m.channel, m.value, now);
            break;
        case kMsgPitchWheelInc:
            output_.PitchWheelBy(m.channel, int64_t{m.step} * kPitchScale, m.min, m.max, now);
            break;
        case kMsgHiResControlChange:
            output_.HiResControlChange(m.channel, m.number, m.value, now);
            break;
        case kMsgHiResControlChangeInc:
            output_.HiResControlChangeBy(m.channel, m.number, m.step, m.min, m.max, now);
            break;
        default:
            SendStateless(m, now);
            break;  // channel mode, extended; nothing for the rest
    }
}

}  // namespace qmt
