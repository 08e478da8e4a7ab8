#include "model/Catalogue.h"

namespace qmt {

namespace {

struct ControlInfo {
    const char* name;
    ControlKind kind;
};

constexpr ControlKind B = ControlKind::Button;
constexpr ControlKind R = ControlKind::Rotary;
constexpr ControlKind A = ControlKind::Absolute;
constexpr ControlKind V = ControlKind::VelocityPad;

// Indexed by control identifier; the identifiers only ever grew, so the order is fixed.
constexpr std::array<ControlInfo, kControlCount> kControls{{
    {"Eject", B},               // 0
    {"Playlist", B},            // 1
    {"A", B},                   // 2
    {"B", B},                   // 3
    {"C", B},                   // 4
    {"D", B},                   // 5
    {"Play mode", B},           // 6
    {"Pitch mode", B},          // 7
    {"Pitch range", B},         // 8
    {"Wheel top", B},           // 9
    {"Menu", B},                // 10
    {"Up", B},                  // 11
    {"Left", B},                // 12
    {"Right", B},               // 13
    {"Ok", B},                  // 14
    {"Down", B},                // 15
    {"Loop In", B},             // 16
    {"Loop Out", B},            // 17
    {"Loop", B},                // 18
    {"Reverse", B},             // 19
    {"Brake", B},               // 20
    {"Cue", B},                 // 21
    {"Play", B},                // 22
    {"Wheel", R},               // 23
    {"Slider", A},              // 24
    {"Wheel aftertouch", B},    // 25
    {"NE wheel top", B},        // 26
    {"1/8th beat", B},          // 27
    {"1/4th beat", B},          // 28
    {"1/2th beat", B},          // 29
    {"1/1th beat", B},          // 30
    {"Slider scale", B},        // 31
    {"SE wheel top", B},        // 32
    {"Stop", B},                // 33
    {"Right eject", B},         // 34
    {"Deck switch", B},         // 35
    {"Left eject", B},          // 36
    {"SW wheel top", B},        // 37
    {"Fast forward", B},        // 38
    {"NW wheel top", B},        // 39
    {"Touchpad left", B},       // 40
    {"Touchpad right", B},      // 41
    {"Custom 1", B},            // 42
    {"Custom 2", B},            // 43
    {"Custom 3", B},            // 44
    {"Custom 4", B},            // 45
    {"Custom 5", B},            // 46
    {"Custom 6", B},            // 47
    {"Slider touch", B},        // 48
    {"Touchpad touch", B},      // 49
    {"Gain left", A},           // 50
    {"Gain right", A},          // 51
    {"Treble left", A},         // 52
    {"Treble right", A},        // 53
    {"Mid left", A},            // 54
    {"Mid right", A},           // 55
    {"Bass left", A},           // 56
    {"Bass right", A},          // 57
    {"Crossfader", A},          // 58
    {"Headphone volume", A},    // 59
    {"NE wheel", R},            // 60
    {"SE wheel", R},            // 61
    {"SW wheel", R},            // 62
    {"NW wheel", R},            // 63
    {"RESERVED1", A},           // 64
    {"RESERVED2", A},           // 65
    {"RESERVED3", B},           // 66
    {"Touchpad X", A},          // 67
    {"Touchpad Y", A},          // 68
    {"RESERVED4", B},           // 69
    {"NW velocity pad", V},     // 70
    {"NE velocity pad", V},     // 71
    {"SE velocity pad", V},     // 72
    {"SW velocity pad", V},     // 73
    {"Slider #2", A},           // 74
    {"Selector", R},            // 75
    {"E", B},                   // 76
    {"F", B},                   // 77
    {"Slider A", B},            // 78
    {"Slider B", B},            // 79
    {"Gain left button", B},    // 80
    {"Treble left button", B},  // 81
    {"Mid left button", B},     // 82
    {"Bass left button", B},    // 83
    {"Selector 1", B},          // 84
    {"Selector 2", B},          // 85
    {"Selector 3", B},          // 86
    {"Selector 4", B},          // 87
}};

struct EventTypeInfo {
    const char* name;
    const char* first;
    const char* second;
    const char* firstShort;
    const char* secondShort;
};

constexpr std::array<EventTypeInfo, kEventTypeCount> kEventTypes{{
    {"Toggle", "Button Down", "Button Up", "Down", "Up"},
    {"Trigger", "Button Press", "Button Release", "Press", "Release"},
    {"Auto repeat", "Button Down", "Button Up", "Down", "Up"},
    {"Rotate", "Rotate Clockwise", "Rotate Counterclockwise", "CW", "CCW"},
    {"Slide", "Slide Up", "Slide Down", "Up", "Down"},
    {"Press", "Velocity Pad Press", "Velocity Pad Release", "Press", "Release"},
}};

// Per-model control lists; buttons are in the bit order of the model's input report.
constexpr uint8_t kKv10Buttons[] = {0,  1,  2,  3,  4,  5,  9,  13, 8,  7,  11, 6,
                                    12, 10, 14, 22, 21, 18, 20, 15, 17, 19, 16};
constexpr uint8_t kKv5Buttons[] = {0, 1,  2,  3,  4,  5,  9,  25, 13, 8,  7,  11,
                                   6, 12, 10, 14, 22, 21, 18, 20, 15, 17, 19, 16};
constexpr uint8_t kKvRotaries[] = {23};
constexpr uint8_t kKvAbsolutes[] = {24};

constexpr uint8_t kArdoButtons[] = {26, 27, 28, 29, 30, 16, 17, 18, 31, 32, 34, 35, 36, 37, 33, 22,
                                    21, 19, 20, 38, 39, 9,  40, 41, 42, 43, 44, 45, 46, 47, 48, 49};
constexpr uint8_t kArdoRotaries[] = {23, 60, 61, 62, 63};
constexpr uint8_t kArdoAbsolutes[] = {24, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 67, 68};

constexpr uint8_t kProtoButtons[] = {26, 2,  3,  4,  5,  76, 77, 78, 79, 32, 34, 35, 36,
                                     37, 33, 22, 21, 19, 20, 38, 39, 9,  40, 41, 49};
constexpr uint8_t kProtoRotaries[] = {23, 60, 61, 62, 63, 75};
constexpr uint8_t kProtoAbsolutes[] = {24, 74, 50, 52, 54, 56, 58, 59, 67, 68};

constexpr uint8_t kRawButtons[] = {9,  2,  3,  4,  5,  76, 78, 77, 79, 26, 34,
                                   35, 36, 32, 33, 22, 21, 19, 20, 38, 37, 39,
                                   40, 41, 49, 80, 81, 82, 83, 84, 85, 86, 87};
constexpr uint8_t kRawRotaries[] = {23, 60, 61, 62, 63};
constexpr uint8_t kRawAbsolutes[] = {24, 74, 58, 59, 50, 52, 54, 56, 67, 68};

constexpr uint8_t kRawPads[] = {71, 72, 73, 70};

constexpr std::array<uint8_t, kControlCount + 1> InverseOf(std::span<const uint8_t> buttons) {
    std::array<uint8_t, kControlCount + 1> slots{};
    slots.fill(kNoButtonSlot);
    for (size_t i = 0; i < buttons.size(); ++i)
        slots[buttons[i]] = static_cast<uint8_t>(i);
    return slots;
}

constexpr ModelControls MakeControls(std::span<const uint8_t> buttons,
                                     std::span<const uint8_t> rotaries,
                                     std::span<const uint8_t> absolutes,
                                     std::span<const uint8_t> pads) {
    return ModelControls{buttons, rotaries, absolutes, pads, InverseOf(buttons)};
}

constexpr ModelControls kKv10 = MakeControls(kKv10Buttons, kKvRotaries, kKvAbsolutes, {});
constexpr ModelControls kKv5 = MakeControls(kKv5Buttons, kKvRotaries, kKvAbsolutes, {});
constexpr ModelControls kArdo = MakeControls(kArdoButtons, kArdoRotaries, kArdoAbsolutes, {});
constexpr ModelControls kProto =
    MakeControls(kProtoButtons, kProtoRotaries, kProtoAbsolutes, kRawPads);
constexpr ModelControls kRaw = MakeControls(kRawButtons, kRawRotaries, kRawAbsolutes, kRawPads);

}  // namespace

ControlKind ControlKindOf(uint8_t control) {
    // Outside the catalogue there is nothing to turn or slide; the validation rule treats
    // every identifier it does not list as a button.
    if (control >= kControlCount) return ControlKind::Button;
    return kControls[control].kind;
}

const char* ControlNameOf(uint8_t control) {
    if (control >= kControlCount) return nullptr;
    return kControls[control].name;
}

std::optional<uint8_t> ModelTypeForProductId(uint16_t productId) {
    switch (productId) {
        case 0x0100:
            return kModelKv10;
        case 0x0202:
            return kModelKv5;
        case 0x0300:
            return kModelArdo;
        case 0x0310:
            return kModelArdoRaw;
        default:
            return std::nullopt;
    }
}

PresetClass PresetClassOf(uint32_t modelType) {
    switch (modelType) {
        case kModelKv10:
        case kModelKv5:
            return kPresetClassKvp;
        case kModelArdo:
            return kPresetClassKap;
        case kModelArdoRawProto2009:
            return kPresetClassKrp;
        case kModelArdoRaw:
            return kPresetClassKqp;
        default:
            return kPresetClassNone;
    }
}

const ModelControls* ControlsOf(uint8_t modelType) {
    switch (modelType) {
        case kModelKv10:
            return &kKv10;
        case kModelKv5:
            return &kKv5;
        case kModelArdo:
            return &kArdo;
        case kModelArdoRawProto2009:
            return &kProto;
        case kModelArdoRaw:
            return &kRaw;
        default:
            return nullptr;
    }
}

const char* EventTypeName(uint8_t eventType) {
    return eventType < kEventTypeCount ? kEventTypes[eventType].name : nullptr;
}

const char* FirstMessageName(uint8_t eventType) {
    return eventType < kEventTypeCount ? kEventTypes[eventType].first : nullptr;
}

const char* SecondMessageName(uint8_t eventType) {
    return eventType < kEventTypeCount ? kEventTypes[eventType].second : nullptr;
}

const char* FirstMessageShortLabel(uint8_t eventType) {
    return eventType < kEventTypeCount ? kEventTypes[eventType].firstShort : nullptr;
}

const char* SecondMessageShortLabel(uint8_t eventType) {
    return eventType < kEventTypeCount ? kEventTypes[eventType].secondShort : nullptr;
}

bool EventTypeAllowedFor(uint8_t control, uint8_t eventType) {
    if (control >= kControlCount) return false;
    switch (ControlKindOf(control)) {
        case ControlKind::Rotary:
            return eventType == kRotate;
        case ControlKind::Absolute:
            return eventType == kSlide;
        case ControlKind::VelocityPad:
            return eventType == kPress;
        case ControlKind::Button:
            return eventType == kToggle || eventType == kTrigger || eventType == kAutoRepeat;
    }
    return false;
}

}  // namespace qmt
