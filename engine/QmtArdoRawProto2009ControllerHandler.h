#pragma once
// ARDO RAW PROTO 2009 (model type 4): two presets (mapping slots 4 and 3), velocity pads
// and a "Selector" whose position picks one assignment of its list to send.

#include "engine/ArdoHandlerAbs.h"

namespace qmt {

class QmtArdoRawProto2009ControllerHandler final : public ArdoHandlerAbs {
  public:
    QmtArdoRawProto2009ControllerHandler(ActionEngine& engine, PortClockIf& clock,
                                         std::unique_ptr<HidDeviceIf> device);
    uint8_t ModelType() const override { return kModelArdoRawProto2009; }

  protected:
    ReportKind Classify(std::span<const uint8_t> report) const override;
    CommonFields ReadCommon(std::span<const uint8_t> report) const override;
    int32_t SmallWheelMovement(std::span<const uint8_t> report, std::span<const uint8_t> previous,
                               size_t index) const override;
    uint16_t Position(std::span<const uint8_t> report, uint8_t control,
                      size_t preset) const override;
    uint16_t PadPressure(std::span<const uint8_t> report, size_t index) const override;
    void SelectorEvent(Preset& live, std::span<const uint8_t> report,
                       std::span<const uint8_t> previous, int64_t now) override;
};

}  // namespace qmt
