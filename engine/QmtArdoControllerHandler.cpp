#include "engine/QmtArdoControllerHandler.h"

#include "engine/MovementScale.h"
#include "engine/ReportBytes.h"

namespace qmt {

namespace {
// Byte offsets in the control report.
constexpr size_t kSmallWheelsAt = 15;
constexpr size_t kKnobsAt = 19;  // "Gain left" to "Headphone volume", in identifier order
}  // namespace

QmtArdoControllerHandler::QmtArdoControllerHandler(ActionEngine& engine, PortClockIf& clock,
                                                   std::unique_ptr<HidDeviceIf> device)
    : ArdoHandlerAbs(engine, clock, std::move(device), kModelArdo, 2, 1) {}

void QmtArdoControllerHandler::PresetsArrived() {
    std::lock_guard lock(outputMutex_);
    if (versionRequested_) return;
    versionRequested_ = true;
    OutputReport request{};
    request[1] = 10;  // firmware version request
    request[2] = 2;   // command and length, no data
    WriteOutput(request);
}

ArdoHandlerAbs::ReportKind QmtArdoControllerHandler::Classify(
    std::span<const uint8_t> report) const {
    if (report[0] != 0) return ReportKind::Other;
    if (report[1] == 10 && report[2] == 4) return ReportKind::VersionReply;
    if (report[1] == 0 && report[2] == 53) return ReportKind::Control;
    return ReportKind::Other;
}

void QmtArdoControllerHandler::VersionReply(std::span<const uint8_t> report) {
    const uint8_t major = report[3];
    const uint8_t minor = report[4];
    newerThan13_ = major > 1 || (major == 1 && minor > 3);
    newerThan15_ = major > 1 || (major == 1 && minor > 5);
}

ArdoHandlerAbs::CommonFields QmtArdoControllerHandler::ReadCommon(
    std::span<const uint8_t> report) const {
    CommonFields f;
    f.status = ReportU16(report, 3);
    f.wheel = ReportI16(report, 5);
    f.deviceTime = ReportU32(report, 7);
    f.pressed = ReportU32(report, 47);
    f.deck = report[53] & 1;
    return f;
}

int32_t QmtArdoControllerHandler::SmallWheelMovement(std::span<const uint8_t> report,
                                                     std::span<const uint8_t> previous,
                                                     size_t index) const {
    const size_t at = kSmallWheelsAt + index - 1;
    return CounterDelta8(report[at], previous[at]) * kTickMovement;
}

uint16_t QmtArdoControllerHandler::Position(std::span<const uint8_t> report, uint8_t control,
                                            size_t preset) const {
    if (control == kControlSlider) {
        if (!newerThan13_) return ReportU16(report, 11);
        return ReportU16(report, preset == 0 ? 45 : 43);
    }
    if (control >= kControlGainLeft && control <= kControlHeadphoneVolume)
        return ReportU16(report, kKnobsAt + 2 * (control - kControlGainLeft)) & 0xFFFC;
    if (control == kControlTouchpadX) return ReportU16(report, 41);
    if (control == kControlTouchpadY) return ReportU16(report, 39);
    return 0;
}

}  // namespace qmt
