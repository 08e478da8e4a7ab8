#include "engine/QmtKv5ControllerHandler.h"

#include "engine/MovementScale.h"
#include "engine/ReportBytes.h"

namespace qmt {

QmtKv5ControllerHandler::QmtKv5ControllerHandler(ActionEngine& engine, PortClockIf& clock,
                                                 std::unique_ptr<HidDeviceIf> device)
    : KvHandlerAbs(engine, clock, std::move(device), kModelKv5, kReportLength) {}

uint64_t QmtKv5ControllerHandler::PressedSlots(std::span<const uint8_t> report) const {
    return ReportU32(report, 12);
}

uint16_t QmtKv5ControllerHandler::SliderPosition(std::span<const uint8_t> report) const {
    return ReportU16(report, 10);
}

void QmtKv5ControllerHandler::ResetWheel(std::span<const uint8_t> report) {
    wheel_.Reset(ReportU16(report, 2));
    deviceTime_ = ReportU32(report, 6);
}

KvHandlerAbs::WheelStep QmtKv5ControllerHandler::StepWheel(std::span<const uint8_t> report) {
    const int32_t counts = wheel_.Step(ReportU16(report, 2));
    const uint32_t time = ReportU32(report, 6);
    int64_t elapsed = static_cast<uint32_t>(time - deviceTime_);
    deviceTime_ = time;
    // Two reports with one time stamp: the movement happened in less than one tick, so it
    // counts as one tick (dividing by -1 would turn the wheel's direction round).
    if (elapsed == 0) elapsed = 1;
    // The wheel-top filter takes the speed over the device's own clock, so reports that
    // arrive late or bunched do not look fast or slow. The filter passes a steady input
    // through unchanged, so with 3880 its hold threshold of 192 is about one count every
    // 20 ticks of that clock.
    return {counts * kFineCountMovement, int64_t{counts} * 3880 / elapsed};
}

}  // namespace qmt
