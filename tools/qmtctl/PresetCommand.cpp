// qmtctl preset: checks a preset file as the driver would, or lists what it holds.

#include <cstdio>
#include <string>
#include <vector>

#include "model/MessageNames.h"
#include "model/PresetFile.h"
#include "model/PresetLayout.h"
#include "tools/qmtctl/Command.h"

namespace qmt::ctl {

namespace {

constexpr const char* kUsage =
    "preset check|show FILE\n"
    "    check: load and validate a preset as the driver does; show: list its assignments";

// Quoted for the terminal: control bytes from a file are shown as escapes, not sent.
std::string Quote(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            quoted += escaped;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

std::string Num(int64_t v) {
    return std::to_string(v);
}

std::string Hex(uint32_t v, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, v);
    return text;
}

// A named table value, or the raw number when the byte is outside the table.
std::string NameOr(const char* name, uint8_t value) {
    return name ? Quote(name) : Num(value);
}

std::string ControlText(uint8_t control) {
    if (control == kNoControl) return "none";
    const char* name = ControlNameOf(control);
    return name ? Quote(name) : Num(control);
}

std::string ExtendedText(const std::vector<uint8_t>& bytes) {
    std::string text = Num(static_cast<int64_t>(bytes.size())) + " bytes:";
    for (uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        text += hex;
    }
    return text;
}

// The kind-specific fields that the file holds for this event type, by name.
std::string FieldsText(const Message& m, uint8_t function) {
    const bool relative = function == kRotate;
    const bool button = function != kRotate && function != kSlide;
    const std::string range = "min " + Num(m.min) + ", max " + Num(m.max);
    const std::string step = button ? ", step " + Num(m.step) : "";
    const std::string encoding =
        relative ? "encoding " + NameOr(EncodingName(m.encoding), m.encoding) : "";
    auto join = [](std::string a, const std::string& b) {
        if (a.empty()) return b;
        return b.empty() ? a : a + ", " + b;
    };
    switch (m.kind) {
        case kMsgNote:
        case kMsgAftertouch: {
            const char* level = m.kind == kMsgNote ? ", velocity " : ", pressure ";
            return "note " + Num(m.number) + (function == kPress ? "" : level + Num(m.value));
        }
        case kMsgControlChange:
        case kMsgHiResControlChange:
            return join("controller " + Num(m.number), button ? "value " + Num(m.value) : encoding);
        case kMsgControlChangeInc:
        case kMsgHiResControlChangeInc:
            return "controller " + Num(m.number) + ", " + range + step;
        case kMsgProgramChange:
            return button ? "program " + Num(m.value) : encoding;
        case kMsgProgramChangeInc:
        case kMsgPitchWheelInc:
            return range + step;
        case kMsgChannelMode:
            return "command " + NameOr(ChannelModeCommandName(static_cast<uint8_t>(m.value)),
                                       static_cast<uint8_t>(m.value));
        case kMsgPitchWheel:
            return button ? "value " + Num(m.value) : encoding;
        case kMsgExtended:
            return ExtendedText(m.extended);
        case kMsgKey:
            return "application " + Num(m.keyApplication) + ", key " + Hex(m.keyCode, 8);
        default:
            return {};
    }
}

std::string MessageText(const Message& m, uint8_t function) {
    if (m.kind == kMsgNone) return "None";
    std::string text = MessageKindName(m.kind) ? MessageKindName(m.kind) : "kind " + Num(m.kind);
    if (m.kind != kMsgKey) text += ", channel " + ChannelName(m.channel);
    const std::string fields = FieldsText(m, function);
    if (!fields.empty()) text += ", " + fields;
    if (HasThreshold(m, function)) text += ", threshold " + Num(m.threshold);
    return text;
}

std::string AssignmentText(const Assignment& a) {
    std::string text = NameOr(EventTypeName(a.function), a.function);
    text += ", modifier " + ControlText(a.modifier);
    if (a.function == kAutoRepeat) text += ", interval " + Num(a.interval / 10000) + " ms";
    if (a.releaseTimeout != 0) text += ", release timeout " + Num(a.releaseTimeout / 10000) + " ms";
    if (a.inverted) text += ", inverted";
    return text;
}

void ShowList(uint8_t control, const AssignmentList& list) {
    std::printf("control %u %s: %zu assignment%s\n", control, ControlText(control).c_str(),
                list.size(), list.size() == 1 ? "" : "s");
    for (size_t i = 0; i < list.size(); ++i) {
        const Assignment& a = list[i];
        std::printf("  assignment %zu: %s\n", i, AssignmentText(a).c_str());
        const char* first = FirstMessageName(a.function);
        const char* second = SecondMessageName(a.function);
        std::printf("    %s: %s\n", first ? Quote(first).c_str() : "first message",
                    MessageText(a.messages[0], a.function).c_str());
        std::printf("    %s: %s\n", second ? Quote(second).c_str() : "second message",
                    MessageText(a.messages[1], a.function).c_str());
    }
}

int Check(const std::string& path) {
    std::string error;
    PresetPtr preset = LoadPreset(path, &error);
    if (!preset || !ValidatePreset(*preset, &error)) {
        std::printf("invalid: %s\n", error.c_str());
        return kExitInvalid;
    }
    std::printf("valid\n");
    return kExitOk;
}

int Show(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    std::vector<ApplicationEntry> applications;
    PresetPtr preset;
    if (ReadWholeFile(path, bytes, &error)) {
        preset = ParsePreset(bytes, &error, &applications);
        if (!preset) error = "\"" + path + "\": " + error;
    }
    if (!preset) {
        std::fprintf(stderr, "qmtctl preset: %s\n", error.c_str());
        return kExitInvalid;
    }
    const PresetFormat* format = PresetFormatForMagic(bytes);
    std::printf("file: %s\n", path.c_str());
    std::printf("kind: %s (%s), magic \"%s\", format version %u\n", PresetKindName(preset->kind),
                PresetExtension(preset->kind), format->magic, preset->version);
    std::printf("applications: %zu\n", applications.size());
    for (size_t i = 0; i < applications.size(); ++i) {
        std::printf("  %zu: %s %s\n", i, Quote(applications[i].displayName).c_str(),
                    Quote(applications[i].executablePath).c_str());
    }
    for (uint8_t control = 0; control < kControlCount; ++control) {
        if (!preset->lists[control].empty()) ShowList(control, preset->lists[control]);
    }
    if (!ValidatePreset(*preset, &error)) {
        std::printf("invalid: %s\n", error.c_str());
        return kExitInvalid;
    }
    std::printf("valid\n");
    return kExitOk;
}

int Run(std::span<const std::string> args) {
    if (args.size() == 2 && args[0] == "check") return Check(args[1]);
    if (args.size() == 2 && args[0] == "show") return Show(args[1]);
    std::fprintf(stderr, "usage: qmtctl %s\n", kUsage);
    return kExitUsage;
}

CommandRegistration reg{{"preset", kUsage, &Run}};

}  // namespace

}  // namespace qmt::ctl
