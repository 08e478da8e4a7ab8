#include "engine/QmtArdoRawProto2009ControllerHandler.h"

#include "engine/MovementScale.h"
#include "engine/ReportBytes.h"

namespace qmt {

namespace {
// Byte offsets in the control report.
constexpr size_t kSmallWheelsAt = 12;
constexpr size_t kPadsAt = 28;
constexpr size_t kSelectorAt = 49;
}  // namespace

QmtArdoRawProto2009ControllerHandler::QmtArdoRawProto2009ControllerHandler(
    ActionEngine& engine, PortClockIf& clock, std::unique_ptr<HidDeviceIf> device)
    : ArdoHandlerAbs(engine, clock, std::move(device), kModelArdoRawProto2009, 4, 3) {}

ArdoHandlerAbs::ReportKind QmtArdoRawProto2009ControllerHandler::Classify(
    std::span<const uint8_t> report) const {
    const bool control = report[0] == 0 && report[1] == 0 && report[2] == 53;
    return control ? ReportKind::Control : ReportKind::Other;
}

ArdoHandlerAbs::CommonFields QmtArdoRawProto2009ControllerHandler::ReadCommon(
    std::span<const uint8_t> report) const {
    CommonFields f;
    f.deviceTime = ReportU32(report, 4);
    f.status = ReportU16(report, 8);
    f.wheel = ReportI16(report, 10);
    f.pressed = ReportU32(report, 44);
    f.deck = report[48] & 1;
    return f;
}

int32_t QmtArdoRawProto2009ControllerHandler::SmallWheelMovement(std::span<const uint8_t> report,
                                                                 std::span<const uint8_t> previous,
                                                                 size_t index) const {
    const size_t at = kSmallWheelsAt + index - 1;
    return CounterDelta8(report[at], previous[at]) * kTickMovement;
}

uint16_t QmtArdoRawProto2009ControllerHandler::Position(std::span<const uint8_t> report,
                                                        uint8_t control, size_t) const {
    switch (control) {
        case kControlGainLeft:
            return ReportU16(report, 16) & 0xFFFC;
        case kControlTrebleLeft:
            return ReportU16(report, 18) & 0xFFFC;
        case kControlMidLeft:
            return ReportU16(report, 20) & 0xFFFC;
        case kControlBassLeft:
            return ReportU16(report, 22) & 0xFFFC;
        case kControlCrossfader:
            return ReportU16(report, 24) & 0xFFFC;
        case kControlHeadphoneVolume:
            return ReportU16(report, 26) & 0xFFFC;
        case kControlTouchpadY:
            return ReportU16(report, 36);
        case kControlTouchpadX:
            return ReportU16(report, 38);
        case kControlSlider:
            return ReportU16(report, 40);
        case kControlSlider2:
            return ReportU16(report, 42);
        default:
            return 0;
    }
}

uint16_t QmtArdoRawProto2009ControllerHandler::PadPressure(std::span<const uint8_t> report,
                                                           size_t index) const {
    return ReportU16(report, kPadsAt + 2 * index);
}

void QmtArdoRawProto2009ControllerHandler::SelectorEvent(Preset& live,
                                                         std::span<const uint8_t> report,
                                                         std::span<const uint8_t> previous,
                                                         int64_t now) {
    if (report[kSelectorAt] == previous[kSelectorAt]) return;
    AssignmentList& list = live.lists[kControlSelector];
    const size_t position = report[kSelectorAt];
    if (position >= list.size()) return;
    engine_.ButtonMessage(list[position], 0, now);
    engine_.ButtonMessage(list[position], 1, now);
}

}  // namespace qmt
