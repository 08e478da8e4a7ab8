#pragma once
// KV5 (model type 2): 17-byte reports, a wheel reported as a jittery 16-bit position, the
// device's own clock for the wheel speed, one slider and 24 buttons in list bit order.

#include "engine/Kv5WheelHysteresis.h"
#include "engine/KvHandlerAbs.h"

namespace qmt {

class QmtKv5ControllerHandler final : public KvHandlerAbs {
  public:
    static constexpr size_t kReportLength = 17;

    QmtKv5ControllerHandler(ActionEngine& engine, PortClockIf& clock,
                            std::unique_ptr<HidDeviceIf> device);
    uint8_t ModelType() const override { return kModelKv5; }

  protected:
    bool Matches(std::span<const uint8_t> report) const override {
        return report[0] == 0 && report[1] == 0;
    }
    uint64_t PressedSlots(std::span<const uint8_t> report) const override;
    uint16_t SliderPosition(std::span<const uint8_t> report) const override;
    void ResetWheel(std::span<const uint8_t> report) override;
    WheelStep StepWheel(std::span<const uint8_t> report) override;

  private:
    Kv5WheelHysteresis wheel_;
    uint32_t deviceTime_ = 0;
};

}  // namespace qmt
