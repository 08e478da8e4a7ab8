#include "model/Catalogue.h"

namespace qmt {

namespace {

struct ControlInfo {
    ControlId id;
    const char* name;
    ControlKind kind;
};

constexpr ControlKind B = ControlKind::Button;
constexpr ControlKind R = ControlKind::Rotary;
constexpr ControlKind A = ControlKind::Absolute;
constexpr ControlKind V = ControlKind::VelocityPad;

// Indexed by control identifier.
constexpr std::array<ControlInfo, kControlCount> kControls{{
    {kControlEject, "Eject", B},
    {kControlPlaylist, "Playlist", B},
    {kControlA, "A", B},
    {kControlB, "B", B},
    {kControlC, "C", B},
    {kControlD, "D", B},
    {kControlPlayMode, "Play mode", B},
    {kControlPitchMode, "Pitch mode", B},
    {kControlPitchRange, "Pitch range", B},
    {kControlWheelTop, "Wheel top", B},
    {kControlMenu, "Menu", B},
    {kControlUp, "Up", B},
    {kControlLeft, "Left", B},
    {kControlRight, "Right", B},
    {kControlOk, "Ok", B},
    {kControlDown, "Down", B},
    {kControlLoopIn, "Loop In", B},
    {kControlLoopOut, "Loop Out", B},
    {kControlLoop, "Loop", B},
    {kControlReverse, "Reverse", B},
    {kControlBrake, "Brake", B},
    {kControlCue, "Cue", B},
    {kControlPlay, "Play", B},
    {kControlWheel, "Wheel", R},
    {kControlSlider, "Slider", A},
    {kControlWheelAftertouch, "Wheel aftertouch", B},
    {kControlNeWheelTop, "NE wheel top", B},
    {kControlEighthBeat, "1/8th beat", B},
    {kControlQuarterBeat, "1/4th beat", B},
    {kControlHalfBeat, "1/2th beat", B},
    {kControlWholeBeat, "1/1th beat", B},
    {kControlSliderScale, "Slider scale", B},
    {kControlSeWheelTop, "SE wheel top", B},
    {kControlStop, "Stop", B},
    {kControlRightEject, "Right eject", B},
    {kControlDeckSwitch, "Deck switch", B},
    {kControlLeftEject, "Left eject", B},
    {kControlSwWheelTop, "SW wheel top", B},
    {kControlFastForward, "Fast forward", B},
    {kControlNwWheelTop, "NW wheel top", B},
    {kControlTouchpadLeft, "Touchpad left", B},
    {kControlTouchpadRight, "Touchpad right", B},
    {kControlCustom1, "Custom 1", B},
    {kControlCustom2, "Custom 2", B},
    {kControlCustom3, "Custom 3", B},
    {kControlCustom4, "Custom 4", B},
    {kControlCustom5, "Custom 5", B},
    {kControlCustom6, "Custom 6", B},
    {kControlSliderTouch, "Slider touch", B},
    {kControlTouchpadTouch, "Touchpad touch", B},
    {kControlGainLeft, "Gain left", A},
    {kControlGainRight, "Gain right", A},
    {kControlTrebleLeft, "Treble left", A},
    {kControlTrebleRight, "Treble right", A},
    {kControlMidLeft, "Mid left", A},
    {kControlMidRight, "Mid right", A},
    {kControlBassLeft, "Bass left", A},
    {kControlBassRight, "Bass right", A},
    {kControlCrossfader, "Crossfader", A},
    {kControlHeadphoneVolume, "Headphone volume", A},
    {kControlNeWheel, "NE wheel", R},
    {kControlSeWheel, "SE wheel", R},
    {kControlSwWheel, "SW wheel", R},
    {kControlNwWheel, "NW wheel", R},
    {kControlReserved1, "RESERVED1", A},
    {kControlReserved2, "RESERVED2", A},
    {kControlReserved3, "RESERVED3", B},
    {kControlTouchpadX, "Touchpad X", A},
    {kControlTouchpadY, "Touchpad Y", A},
    {kControlReserved4, "RESERVED4", B},
    {kControlNwVelocityPad, "NW velocity pad", V},
    {kControlNeVelocityPad, "NE velocity pad", V},
    {kControlSeVelocityPad, "SE velocity pad", V},
    {kControlSwVelocityPad, "SW velocity pad", V},
    {kControlSlider2, "Slider #2", A},
    {kControlSelector, "Selector", R},
    {kControlE, "E", B},
    {kControlF, "F", B},
    {kControlSliderA, "Slider A", B},
    {kControlSliderB, "Slider B", B},
    {kControlGainLeftButton, "Gain left button", B},
    {kControlTrebleLeftButton, "Treble left button", B},
    {kControlMidLeftButton, "Mid left button", B},
    {kControlBassLeftButton, "Bass left button", B},
    {kControlSelector1, "Selector 1", B},
    {kControlSelector2, "Selector 2", B},
    {kControlSelector3, "Selector 3", B},
    {kControlSelector4, "Selector 4", B},
}};

constexpr bool EveryEntrySitsAtItsIdentifier() {
    for (size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].id != i) return false;
    return true;
}
static_assert(EveryEntrySitsAtItsIdentifier(), "the control table is out of order");

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
constexpr uint8_t kKv10Buttons[] = {
    kControlEject,   kControlPlaylist, kControlA,     kControlB,          kControlC,
    kControlD,       kControlWheelTop, kControlRight, kControlPitchRange, kControlPitchMode,
    kControlUp,      kControlPlayMode, kControlLeft,  kControlMenu,       kControlOk,
    kControlPlay,    kControlCue,      kControlLoop,  kControlBrake,      kControlDown,
    kControlLoopOut, kControlReverse,  kControlLoopIn};
constexpr uint8_t kKv5Buttons[] = {
    kControlEject,    kControlPlaylist,   kControlA,         kControlB,
    kControlC,        kControlD,          kControlWheelTop,  kControlWheelAftertouch,
    kControlRight,    kControlPitchRange, kControlPitchMode, kControlUp,
    kControlPlayMode, kControlLeft,       kControlMenu,      kControlOk,
    kControlPlay,     kControlCue,        kControlLoop,      kControlBrake,
    kControlDown,     kControlLoopOut,    kControlReverse,   kControlLoopIn};
constexpr uint8_t kKvRotaries[] = {kControlWheel};
constexpr uint8_t kKvAbsolutes[] = {kControlSlider};

constexpr uint8_t kArdoButtons[] = {
    kControlNeWheelTop,  kControlEighthBeat, kControlQuarterBeat,  kControlHalfBeat,
    kControlWholeBeat,   kControlLoopIn,     kControlLoopOut,      kControlLoop,
    kControlSliderScale, kControlSeWheelTop, kControlRightEject,   kControlDeckSwitch,
    kControlLeftEject,   kControlSwWheelTop, kControlStop,         kControlPlay,
    kControlCue,         kControlReverse,    kControlBrake,        kControlFastForward,
    kControlNwWheelTop,  kControlWheelTop,   kControlTouchpadLeft, kControlTouchpadRight,
    kControlCustom1,     kControlCustom2,    kControlCustom3,      kControlCustom4,
    kControlCustom5,     kControlCustom6,    kControlSliderTouch,  kControlTouchpadTouch};
constexpr uint8_t kArdoRotaries[] = {kControlWheel, kControlNeWheel, kControlSeWheel,
                                     kControlSwWheel, kControlNwWheel};
constexpr uint8_t kArdoAbsolutes[] = {
    kControlSlider,      kControlGainLeft,   kControlGainRight,       kControlTrebleLeft,
    kControlTrebleRight, kControlMidLeft,    kControlMidRight,        kControlBassLeft,
    kControlBassRight,   kControlCrossfader, kControlHeadphoneVolume, kControlTouchpadX,
    kControlTouchpadY};

constexpr uint8_t kProtoButtons[] = {kControlNeWheelTop,
                                     kControlA,
                                     kControlB,
                                     kControlC,
                                     kControlD,
                                     kControlE,
                                     kControlF,
                                     kControlSliderA,
                                     kControlSliderB,
                                     kControlSeWheelTop,
                                     kControlRightEject,
                                     kControlDeckSwitch,
                                     kControlLeftEject,
                                     kControlSwWheelTop,
                                     kControlStop,
                                     kControlPlay,
                                     kControlCue,
                                     kControlReverse,
                                     kControlBrake,
                                     kControlFastForward,
                                     kControlNwWheelTop,
                                     kControlWheelTop,
                                     kControlTouchpadLeft,
                                     kControlTouchpadRight,
                                     kControlTouchpadTouch};
constexpr uint8_t kProtoRotaries[] = {kControlWheel,   kControlNeWheel, kControlSeWheel,
                                      kControlSwWheel, kControlNwWheel, kControlSelector};
constexpr uint8_t kProtoAbsolutes[] = {
    kControlSlider,    kControlSlider2,  kControlGainLeft,   kControlTrebleLeft,
    kControlMidLeft,   kControlBassLeft, kControlCrossfader, kControlHeadphoneVolume,
    kControlTouchpadX, kControlTouchpadY};

constexpr uint8_t kRawButtons[] = {kControlWheelTop,
                                   kControlA,
                                   kControlB,
                                   kControlC,
                                   kControlD,
                                   kControlE,
                                   kControlSliderA,
                                   kControlF,
                                   kControlSliderB,
                                   kControlNeWheelTop,
                                   kControlRightEject,
                                   kControlDeckSwitch,
                                   kControlLeftEject,
                                   kControlSeWheelTop,
                                   kControlStop,
                                   kControlPlay,
                                   kControlCue,
                                   kControlReverse,
                                   kControlBrake,
                                   kControlFastForward,
                                   kControlSwWheelTop,
                                   kControlNwWheelTop,
                                   kControlTouchpadLeft,
                                   kControlTouchpadRight,
                                   kControlTouchpadTouch,
                                   kControlGainLeftButton,
                                   kControlTrebleLeftButton,
                                   kControlMidLeftButton,
                                   kControlBassLeftButton,
                                   kControlSelector1,
                                   kControlSelector2,
                                   kControlSelector3,
                                   kControlSelector4};
constexpr uint8_t kRawRotaries[] = {kControlWheel, kControlNeWheel, kControlSeWheel,
                                    kControlSwWheel, kControlNwWheel};
constexpr uint8_t kRawAbsolutes[] = {kControlSlider,          kControlSlider2,  kControlCrossfader,
                                     kControlHeadphoneVolume, kControlGainLeft, kControlTrebleLeft,
                                     kControlMidLeft,         kControlBassLeft, kControlTouchpadX,
                                     kControlTouchpadY};

constexpr uint8_t kRawPads[] = {kControlNeVelocityPad, kControlSeVelocityPad, kControlSwVelocityPad,
                                kControlNwVelocityPad};

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

std::span<const ProductModel> ProductModels() {
    static constexpr ProductModel kProducts[] = {
        {0x0100, kModelKv10},
        {0x0202, kModelKv5},
        {0x0300, kModelArdo},
        {0x0310, kModelArdoRaw},
    };
    return kProducts;
}

std::optional<uint8_t> ModelTypeForProductId(uint16_t productId) {
    for (const ProductModel& product : ProductModels())
        if (product.productId == productId) return product.modelType;
    return std::nullopt;
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
