#include "engine/QmtKv10ControllerHandler.h"

#include "engine/MovementScale.h"
#include "engine/ReportBytes.h"

namespace qmt {

QmtKv10ControllerHandler::QmtKv10ControllerHandler(ActionEngine& engine, PortClockIf& clock,
                                                   std::unique_ptr<HidDeviceIf> device)
    : KvHandlerAbs(engine, clock, std::move(device), kModelKv10, kReportLength) {}

uint64_t QmtKv10ControllerHandler::PressedSlots(std::span<const uint8_t> report) const {
    // Here the bit number is the identifier, not the position in the processing order.
    const uint32_t field = ReportU32(report, 7);
    uint64_t slots = 0;
    const auto buttons = controls().buttons;
    for (size_t n = 0; n < buttons.size(); ++n)
        if ((field >> buttons[n]) & 1u) slots |= uint64_t{1} << n;
    return slots;
}

uint16_t QmtKv10ControllerHandler::SliderPosition(std::span<const uint8_t> report) const {
    return ReportU16(report, 5);
}

void QmtKv10ControllerHandler::ResetWheel(std::span<const uint8_t> report) {
    backward_ = ReportU16(report, 1);
    all_ = ReportU16(report, 3);
}

KvHandlerAbs::WheelStep QmtKv10ControllerHandler::StepWheel(std::span<const uint8_t> report) {
    const uint16_t backward = ReportU16(report, 1);
    const uint16_t all = ReportU16(report, 3);
    // Every backward tick is also in the total: forward - backward = all - 2 * backward.
    const int32_t allTicks = static_cast<uint16_t>(all - all_);
    const int32_t backTicks = static_cast<uint16_t>(backward - backward_);
    backward_ = backward;
    all_ = all;
    const int32_t ticks = allTicks - 2 * backTicks;
    // The wheel-top filter passes a steady input through unchanged; at 128 per tick its hold
    // threshold of 192 is one and a half ticks per report.
    return {ticks * kTickMovement, int64_t{ticks} * 128};
}

}  // namespace qmt
