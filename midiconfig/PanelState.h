#pragma once
// What the assignment panel shows, control by control. The panel's logic keeps this state
// and its view draws it: each field's visibility, its selected entry or its text, and the
// labels of the two message halves.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/Preset.h"

namespace qmt {

// The fields of one message half. List fields show `index`; the editable fields (the 14-bit
// values, the percentage and the extended message) show `text`; the slider `index`.
enum class HalfField : uint8_t {
    Kind,
    Channel,
    Note,
    Velocity,
    Controller,
    Value,
    Step,  // index = step + 127
    Min,
    Max,
    Program,
    ProgramStep,  // index = step + 127
    ProgramMin,
    ProgramMax,
    Command,
    PitchValue,
    PitchStep,
    PitchMin,
    PitchMax,
    HiResController,
    HiResValue,
    HiResStep,
    HiResMin,
    HiResMax,
    Extended,
    Encoding,  // "Value range"
    Percent,   // the threshold's percentage field
    Trackbar,  // the threshold slider, 0 to 2500
};
inline constexpr size_t kHalfFieldCount = static_cast<size_t>(HalfField::Trackbar) + 1;

// Labels of a half whose text or visibility changes with the kind. Row1 sits above the first
// parameter row, Row2 above the second; Left at the half's left edge, Right beside it.
enum class HalfLabel : uint8_t {
    Channel,
    Row1Left,
    Row1Right,
    Row2Left,
    Row2Right,
    ValueRange,
    Threshold
};
inline constexpr size_t kHalfLabelCount = static_cast<size_t>(HalfLabel::Threshold) + 1;

struct FieldState {
    bool visible = false;
    int index = -1;  // -1: no entry selected
    std::string text;
    bool operator==(const FieldState&) const = default;
};

struct LabelState {
    bool visible = false;
    std::string text;
    bool operator==(const LabelState&) const = default;
};

struct HalfState {
    std::string title;  // the message's name, e.g. "Rotate Clockwise"
    std::array<FieldState, kHalfFieldCount> fields{};
    std::array<LabelState, kHalfLabelCount> labels{};

    FieldState& field(HalfField f) { return fields[static_cast<size_t>(f)]; }
    const FieldState& field(HalfField f) const { return fields[static_cast<size_t>(f)]; }
    LabelState& label(HalfLabel l) { return labels[static_cast<size_t>(l)]; }
    const LabelState& label(HalfLabel l) const { return labels[static_cast<size_t>(l)]; }
};

struct PanelState {
    PresetKind modifierList = PresetKind::Kvp;  // which of the four modifier lists shows
    int modifierIndex = -1;
    bool releaseVisible = false;
    std::string releaseText;
    int functionIndex = -1;  // in the function items of the loaded control
    bool intervalVisible = false;
    std::string intervalText;
    bool invertedVisible = false;
    bool inverted = false;
    std::array<HalfState, 2> halves{};
};

}  // namespace qmt
