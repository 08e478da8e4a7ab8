#include "midiconfig/WorkingAssignment.h"

#include "model/PresetDocument.h"

namespace qmt {

namespace {

// 100-nanosecond units per millisecond.
constexpr int64_t kTicksPerMs = 10000;

// Which message fields a kind stores in the file, given the event type.
struct Stored {
    bool channel = false, number = false, value = false, minMax = false, step = false;
    bool encoding = false, extended = false, key = false, threshold = false;
};

Stored StoredFields(uint8_t kind, uint8_t function) {
    const bool relative = function == kRotate;
    const bool button = !IsContinuous(function);
    Stored s;
    s.channel = kind != kMsgNone && kind != kMsgKey;
    s.threshold = kind != kMsgNone && !button;
    switch (kind) {
        case kMsgNote:
        case kMsgAftertouch:
            s.number = true;
            s.value = function != kPress;
            break;
        case kMsgControlChange:
        case kMsgHiResControlChange:
            s.number = true;
            s.value = button;
            s.encoding = relative;
            break;
        case kMsgProgramChange:
        case kMsgPitchWheel:
            s.value = button;
            s.encoding = relative;
            break;
        case kMsgControlChangeInc:
        case kMsgHiResControlChangeInc:
            s.number = true;
            s.minMax = true;
            s.step = button;
            break;
        case kMsgProgramChangeInc:
        case kMsgPitchWheelInc:
            s.minMax = true;
            s.step = button;
            break;
        case kMsgChannelMode:
            s.value = true;
            break;
        case kMsgExtended:
            s.extended = true;
            break;
        case kMsgKey:
            s.key = true;
            break;
        default:
            break;
    }
    return s;
}

Message NormalizedMessage(const Message& m, uint8_t function) {
    const Stored s = StoredFields(m.kind, function);
    Message out;
    out.kind = m.kind;
    if (s.channel) out.channel = m.channel;
    if (s.threshold) out.threshold = m.threshold;
    if (s.number) out.number = m.number;
    if (s.value) out.value = m.value;
    if (s.minMax) out.min = m.min, out.max = m.max;
    if (s.step) out.step = m.step;
    if (s.encoding) out.encoding = m.encoding;
    if (s.extended) out.extended = m.extended;
    if (s.key) out.keyApplication = m.keyApplication, out.keyCode = m.keyCode;
    return out;
}

// The per-kind fields of a working message from the shared fields of a stored one, as far
// as the file keeps them (`s`); the others keep their defaults.
void ReadKindFields(const Message& m, const Stored& s, WorkingMessage& w) {
    const auto u8 = [](uint16_t v) { return static_cast<uint8_t>(v); };
    switch (m.kind) {
        case kMsgNote:
        case kMsgAftertouch:
            if (s.number) w.note = m.number;
            if (s.value) w.velocity = u8(m.value);
            break;
        case kMsgControlChange:
            if (s.number) w.controller = m.number;
            if (s.value) w.value = u8(m.value);
            break;
        case kMsgControlChangeInc:
            if (s.number) w.controller = m.number;
            if (s.minMax) w.min = u8(m.min), w.max = u8(m.max);
            if (s.step) w.step = m.step;
            break;
        case kMsgProgramChange:
            if (s.value) w.program = u8(m.value);
            break;
        case kMsgProgramChangeInc:
            if (s.minMax) w.programMin = u8(m.min), w.programMax = u8(m.max);
            if (s.step) w.programStep = m.step;
            break;
        case kMsgChannelMode:
            if (s.value) w.command = u8(m.value);
            break;
        case kMsgPitchWheel:
            if (s.value) w.pitchValue = m.value;
            break;
        case kMsgPitchWheelInc:
            if (s.minMax) w.pitchMin = m.min, w.pitchMax = m.max;
            if (s.step) w.pitchStep = m.step;
            break;
        case kMsgExtended:
            if (s.extended) w.extended = m.extended;
            break;
        case kMsgKey:
            if (s.key) w.keyApplication = m.keyApplication, w.keyCode = m.keyCode;
            break;
        case kMsgHiResControlChange:
            if (s.number) w.hiResController = m.number;
            if (s.value) w.hiResValue = m.value;
            break;
        case kMsgHiResControlChangeInc:
            if (s.number) w.hiResController = m.number;
            if (s.minMax) w.hiResMin = m.min, w.hiResMax = m.max;
            if (s.step) w.hiResStep = m.step;
            break;
        default:
            break;
    }
}

// The shared fields of a stored message from the per-kind fields of a working one.
void WriteKindFields(const WorkingMessage& w, Message& m) {
    switch (w.kind) {
        case kMsgNote:
        case kMsgAftertouch:
            m.number = w.note;
            m.value = w.velocity;
            break;
        case kMsgControlChange:
            m.number = w.controller;
            m.value = w.value;
            break;
        case kMsgControlChangeInc:
            m.number = w.controller;
            m.min = w.min, m.max = w.max, m.step = w.step;
            break;
        case kMsgProgramChange:
            m.value = w.program;
            break;
        case kMsgProgramChangeInc:
            m.min = w.programMin, m.max = w.programMax, m.step = w.programStep;
            break;
        case kMsgChannelMode:
            m.value = w.command;
            break;
        case kMsgPitchWheel:
            m.value = w.pitchValue;
            break;
        case kMsgPitchWheelInc:
            m.min = w.pitchMin, m.max = w.pitchMax, m.step = w.pitchStep;
            break;
        case kMsgExtended:
            m.extended = w.extended;
            break;
        case kMsgKey:
            m.keyApplication = w.keyApplication, m.keyCode = w.keyCode;
            break;
        case kMsgHiResControlChange:
            m.number = w.hiResController;
            m.value = w.hiResValue;
            break;
        case kMsgHiResControlChangeInc:
            m.number = w.hiResController;
            m.min = w.hiResMin, m.max = w.hiResMax, m.step = w.hiResStep;
            break;
        default:
            break;
    }
}

// The defaults of the first (press) and second (release) message differ only in the
// velocity and the program step.
WorkingMessage DefaultMessage(int which) {
    WorkingMessage m;
    if (which == 0) {
        m.velocity = 127;
        m.programStep = 1;
    }
    return m;
}

uint8_t DefaultFunction(uint8_t control) {
    switch (ControlKindOf(control)) {
        case ControlKind::Rotary:
            return kRotate;
        case ControlKind::Absolute:
            return kSlide;
        case ControlKind::VelocityPad:
            return kPress;
        case ControlKind::Button:
            break;
    }
    return kTrigger;
}

}  // namespace

bool IsContinuous(uint8_t function) {
    return function == kRotate || function == kSlide;
}

WorkingAssignment DefaultWorkingAssignment(uint8_t control) {
    WorkingAssignment a;
    a.function = DefaultFunction(control);
    a.messages = {DefaultMessage(0), DefaultMessage(1)};
    return a;
}

WorkingAssignment ToWorking(const Assignment& stored, uint8_t control) {
    const Assignment s = Normalized(stored);
    WorkingAssignment w = DefaultWorkingAssignment(control);
    w.modifier = s.modifier;
    w.function = s.function;
    if (s.function == kAutoRepeat) w.intervalMs = static_cast<uint32_t>(s.interval / kTicksPerMs);
    w.releaseTimeoutMs = static_cast<uint32_t>(s.releaseTimeout / kTicksPerMs);
    w.inverted = s.inverted;
    for (int i = 0; i < 2; ++i) {
        const Message& m = s.messages[i];
        WorkingMessage& wm = w.messages[i];
        wm.kind = m.kind;
        if (m.kind == kMsgNone) continue;
        const Stored kept = StoredFields(m.kind, s.function);
        if (kept.channel) wm.channel = m.channel;
        if (kept.threshold) wm.threshold = ThresholdFromFile(m.threshold);
        if (kept.encoding) wm.encoding = m.encoding;
        ReadKindFields(m, kept, wm);
    }
    return w;
}

Assignment FromWorking(const WorkingAssignment& w) {
    Assignment a;
    a.modifier = w.modifier;
    a.function = w.function;
    a.interval = static_cast<int64_t>(w.intervalMs) * kTicksPerMs;
    a.releaseTimeout = static_cast<int64_t>(w.releaseTimeoutMs) * kTicksPerMs;
    a.inverted = w.inverted;
    for (int i = 0; i < 2; ++i) {
        const WorkingMessage& wm = w.messages[i];
        Message& m = a.messages[i];
        m.kind = wm.kind;
        m.channel = wm.channel;
        m.encoding = wm.encoding;
        m.threshold = ThresholdToFile(wm.threshold);
        WriteKindFields(wm, m);
    }
    return Normalized(a);
}

Assignment Normalized(const Assignment& stored) {
    Assignment out;
    out.modifier = stored.modifier;
    out.function = stored.function;
    out.interval = stored.function == kAutoRepeat ? stored.interval : 0;
    out.releaseTimeout = stored.releaseTimeout;
    out.inverted = IsContinuous(stored.function) && stored.inverted;
    for (int i = 0; i < 2; ++i)
        out.messages[i] = NormalizedMessage(stored.messages[i], stored.function);
    return out;
}

bool SameAssignment(const Assignment& a, const Assignment& b) {
    const Assignment x = Normalized(a);
    const Assignment y = Normalized(b);
    return x.modifier == y.modifier && x.function == y.function && x.interval == y.interval &&
           x.releaseTimeout == y.releaseTimeout && x.inverted == y.inverted &&
           x.messages == y.messages;
}

}  // namespace qmt
