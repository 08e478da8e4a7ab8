// The range checks the driver applies to a whole preset before using it.

#include <string>

#include "model/PresetFile.h"

namespace qmt {

namespace {

constexpr uint16_t k7BitLimit = 128;
constexpr uint16_t k14BitMax = 16383;
constexpr uint8_t kHiResControllerLimit = 32;  // the LSB partner sits 32 above
constexpr uint8_t kChannelCommandCount = 3;

std::string Num(int64_t v) {
    return std::to_string(v);
}

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Rotary:
            return "rotary";
        case ControlKind::Absolute:
            return "absolute";
        case ControlKind::VelocityPad:
            return "velocity pad";
        case ControlKind::Button:
            break;
    }
    return "button";
}

const char* AllowedEvents(ControlKind kind) {
    switch (kind) {
        case ControlKind::Rotary:
            return "\"Rotate\"";
        case ControlKind::Absolute:
            return "\"Slide\"";
        case ControlKind::VelocityPad:
            return "\"Press\"";
        case ControlKind::Button:
            break;
    }
    return "\"Toggle\", \"Trigger\" or \"Auto repeat\"";
}

// Each check returns an empty string when it holds, else "<rule>: <what is wrong>".
std::string Below(const char* rule, const char* field, int64_t value, int64_t limit) {
    if (value < limit) return {};
    return std::string(rule) + " rule: " + field + " " + Num(value) + " must be below " +
           Num(limit);
}

std::string Range(uint16_t min, uint16_t max, uint16_t highest) {
    if (max < min) return "range rule: max " + Num(max) + " is below min " + Num(min);
    if (max > highest) return "range rule: max " + Num(max) + " must be at most " + Num(highest);
    return {};
}

std::string Step(int16_t step, int16_t limit) {
    if (step >= -limit && step <= limit) return {};
    return "step rule: step " + Num(step) + " must be between " + Num(-limit) + " and " +
           Num(limit);
}

std::string Extended(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return "extended length rule: length 0 sends nothing";
    if (bytes.size() > 255) return "extended length rule: length " + Num(bytes.size()) + " > 255";
    return {};
}

std::string Channel(uint8_t channel) {
    if (channel < 16 || channel == kChannelDefault || channel == kChannelOmni) return {};
    return "channel rule: channel " + Num(channel) + " is not 0-15, 253 or 254";
}

// Returns the first check that fails, or an empty string.
template <class... Checks>
std::string First(Checks&&... checks) {
    std::string result;
    ((result.empty() ? void(result = checks()) : void()), ...);
    return result;
}

std::string KindProblem(const Message& m, uint8_t function) {
    const bool relative = function == kRotate;
    const bool button = function != kRotate && function != kSlide;
    auto ok = [] { return std::string(); };
    auto note = [&] { return Below("note", "note", m.number, k7BitLimit); };
    auto velocity = [&] {
        return function == kPress ? ok() : Below("velocity", "velocity", m.value, k7BitLimit);
    };
    auto controller = [&] { return Below("controller", "controller", m.number, k7BitLimit); };
    auto hiResController = [&] {
        return Below("controller", "controller", m.number, kHiResControllerLimit);
    };
    auto encoding = [&] {
        return relative ? Below("encoding", "encoding", m.encoding, kEncodingCount) : ok();
    };
    auto value7 = [&] { return button ? Below("value", "value", m.value, k7BitLimit) : ok(); };
    auto value14 = [&] { return button ? Below("value", "value", m.value, k14BitMax + 1) : ok(); };
    auto program = [&] { return button ? Below("program", "program", m.value, k7BitLimit) : ok(); };
    auto range7 = [&] { return Range(m.min, m.max, k7BitLimit - 1); };
    auto range14 = [&] { return Range(m.min, m.max, k14BitMax); };
    // A 7-bit step of -128 has no positive counterpart; the file's i8 allows nothing else.
    auto step7 = [&] { return button ? Step(m.step, 127) : ok(); };
    auto step14 = [&] { return button ? Step(m.step, k14BitMax) : ok(); };
    switch (m.kind) {
        case kMsgNote:
        case kMsgAftertouch:
            return First(note, velocity);
        case kMsgControlChange:
            return First(controller, encoding, value7);
        case kMsgControlChangeInc:
            return First(controller, range7, step7);
        case kMsgProgramChange:
            return First(encoding, program);
        case kMsgProgramChangeInc:
            return First(range7, step7);
        case kMsgChannelMode:
            return Below("command", "command", m.value, kChannelCommandCount);
        case kMsgPitchWheel:
            return First(encoding, value14);
        case kMsgPitchWheelInc:
            return First(range14, step14);
        case kMsgExtended:
            return Extended(m.extended);
        case kMsgKey:
            return {};
        case kMsgHiResControlChange:
            return First(hiResController, encoding, value14);
        case kMsgHiResControlChangeInc:
            return First(hiResController, range14, step14);
        default:
            return "message kind rule: unknown kind " + Num(m.kind);
    }
}

std::string MessageProblem(const Message& m, uint8_t function) {
    if (m.kind == kMsgNone) return {};
    if ((function == kRotate || function == kSlide) && m.threshold <= 0)
        return "threshold rule: threshold " + Num(m.threshold) + " must be greater than 0";
    std::string problem = KindProblem(m, function);
    if (problem.empty() && m.kind != kMsgKey) problem = Channel(m.channel);
    return problem;
}

// `failedMessage` tells which message broke a rule (-1 when the assignment itself did).
std::string AssignmentProblem(uint8_t control, const Assignment& a, int& failedMessage) {
    failedMessage = -1;
    if (!EventTypeAllowedFor(control, a.function)) {
        const ControlKind kind = ControlKindOf(control);
        const char* name = EventTypeName(a.function);
        return "event type rule: function " + Num(a.function) +
               (name ? std::string(" \"") + name + "\"" : std::string()) + " on a " +
               KindName(kind) + " control; it takes only " + AllowedEvents(kind);
    }
    if (a.modifier > kNoControl)
        return "modifier rule: modifier " + Num(a.modifier) + " is above 88";
    for (int i = 0; i < 2; ++i) {
        std::string problem = MessageProblem(a.messages[i], a.function);
        if (problem.empty()) continue;
        failedMessage = i;
        return problem;
    }
    return {};
}

std::string Location(uint8_t control, size_t index, uint8_t function, int message) {
    std::string where = "control " + Num(control) + " \"" + ControlNameOf(control) +
                        "\", assignment " + Num(static_cast<int64_t>(index));
    if (message < 0) return where;
    const char* name = message == 0 ? FirstMessageName(function) : SecondMessageName(function);
    return where + (message == 0 ? ", first message (\"" : ", second message (\"") + name + "\")";
}

}  // namespace

bool ValidatePreset(const Preset& preset, std::string* reason) {
    for (uint8_t control = 0; control < kControlCount; ++control) {
        const AssignmentList& list = preset.lists[control];
        for (size_t i = 0; i < list.size(); ++i) {
            int message;
            const std::string problem = AssignmentProblem(control, list[i], message);
            if (problem.empty()) continue;
            if (reason) *reason = Location(control, i, list[i].function, message) + ": " + problem;
            return false;
        }
    }
    return true;
}

}  // namespace qmt
