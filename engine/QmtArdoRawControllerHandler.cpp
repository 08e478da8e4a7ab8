#include "engine/QmtArdoRawControllerHandler.h"

#include <algorithm>

#include "engine/MovementScale.h"
#include "engine/ReportBytes.h"

namespace qmt {

namespace {
// Byte offsets in the control report.
constexpr size_t kKnobCountersAt = 40;
constexpr size_t kSmallWheelsAt = 44;
constexpr size_t kSelectorAt = 48;
constexpr size_t kPadsAt = 16;

// Index of an endless knob (gain, treble, mid, bass left), or -1.
int KnobIndex(uint8_t control) {
    switch (control) {
        case kControlGainLeft:
            return 0;
        case kControlTrebleLeft:
            return 1;
        case kControlMidLeft:
            return 2;
        case kControlBassLeft:
            return 3;
        default:
            return -1;
    }
}
}  // namespace

QmtArdoRawControllerHandler::QmtArdoRawControllerHandler(ActionEngine& engine, PortClockIf& clock,
                                                         std::unique_ptr<HidDeviceIf> device)
    : ArdoHandlerAbs(engine, clock, std::move(device), kModelArdoRaw, 6, 5) {}

ArdoHandlerAbs::ReportKind QmtArdoRawControllerHandler::Classify(
    std::span<const uint8_t> report) const {
    const bool control = report[0] == 0 && report[1] == 0 && report[2] == 53;
    return control ? ReportKind::Control : ReportKind::Other;
}

ArdoHandlerAbs::CommonFields QmtArdoRawControllerHandler::ReadCommon(
    std::span<const uint8_t> report) const {
    CommonFields f;
    f.deviceTime = ReportU32(report, 3);
    f.status = ReportU16(report, 8);
    f.wheel = ReportI16(report, 10);
    f.pressed = ReportU32(report, 49);
    // The selector switch presses one of "Selector 1" to "Selector 4": position 0 is
    // "Selector 4", position 3 "Selector 1". Other values are not a position at all.
    const uint8_t position = report[kSelectorAt];
    if (position <= 3)
        f.pressed |= uint64_t{1} << (controls().buttonSlot[kControlSelector1] + (3 - position));
    f.deck = report[53] & 1;
    return f;
}

int32_t QmtArdoRawControllerHandler::SmallWheelMovement(std::span<const uint8_t> report,
                                                        std::span<const uint8_t> previous,
                                                        size_t index) const {
    const size_t at = kSmallWheelsAt + index - 1;
    return CounterDelta8(report[at], previous[at]) * kTickMovement;
}

uint16_t QmtArdoRawControllerHandler::Position(std::span<const uint8_t> report, uint8_t control,
                                               size_t preset) const {
    const int knob = KnobIndex(control);
    if (knob >= 0) return knobs_[preset][knob];
    switch (control) {
        case kControlSlider:
            return ReportU16(report, 12);
        case kControlSlider2:
            return ReportU16(report, 14);
        case kControlTouchpadX:
            return ReportU16(report, 24);
        case kControlTouchpadY:
            return ReportU16(report, 26);
        case kControlCrossfader:
            return ReportU16(report, 28);
        case kControlHeadphoneVolume:
            return ReportU16(report, 30);
        default:
            return 0;
    }
}

uint16_t QmtArdoRawControllerHandler::PadPressure(std::span<const uint8_t> report,
                                                  size_t index) const {
    return ReportU16(report, kPadsAt + 2 * index);
}

void QmtArdoRawControllerHandler::InitialiseModel(std::span<const uint8_t>) {
    for (auto& preset : knobs_)
        preset.fill(kKnobMiddle);
}

void QmtArdoRawControllerHandler::BeforeControls(std::span<const uint8_t> report,
                                                 std::span<const uint8_t> previous, size_t live) {
    // Only the live preset's knobs turn; the other preset keeps where it was left. The
    // position is the decoder's own, so turns smaller than an assignment's threshold add up.
    for (size_t k = 0; k < 4; ++k) {
        const int32_t detents =
            CounterDelta8(report[kKnobCountersAt + k], previous[kKnobCountersAt + k]);
        const int32_t next = knobs_[live][k] + detents * kKnobStep;
        knobs_[live][k] = static_cast<uint16_t>(std::clamp(next, 0, 65535));
    }
}

}  // namespace qmt
