#pragma once
// KV10 (model type 1): 11-byte reports, a wheel read from two tick counters, one slider and
// 23 buttons whose bit number is their control identifier.

#include "engine/KvHandlerAbs.h"

namespace qmt {

class QmtKv10ControllerHandler final : public KvHandlerAbs {
  public:
    static constexpr size_t kReportLength = 11;

    QmtKv10ControllerHandler(ActionEngine& engine, PortClockIf& clock,
                             std::unique_ptr<HidDeviceIf> device);
    uint8_t ModelType() const override { return kModelKv10; }

  protected:
    bool Matches(std::span<const uint8_t> report) const override { return report[0] == 0; }
    uint64_t PressedSlots(std::span<const uint8_t> report) const override;
    uint16_t SliderPosition(std::span<const uint8_t> report) const override;
    void ResetWheel(std::span<const uint8_t> report) override;
    WheelStep StepWheel(std::span<const uint8_t> report) override;

  private:
    uint16_t backward_ = 0;  // counter A: backward ticks
    uint16_t all_ = 0;       // counter B: every tick
};

}  // namespace qmt
