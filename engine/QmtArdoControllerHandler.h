#pragma once
// ARDO (model type 3): two presets (mapping slots 2 and 1), a firmware version request at
// the first presets, per-preset slider positions on firmware newer than 1.3, and three LED
// groups.

#include "engine/ArdoHandlerAbs.h"

namespace qmt {

class QmtArdoControllerHandler final : public ArdoHandlerAbs {
  public:
    QmtArdoControllerHandler(ActionEngine& engine, PortClockIf& clock,
                             std::unique_ptr<HidDeviceIf> device);
    uint8_t ModelType() const override { return kModelArdo; }

    bool firmwareNewerThan13() const { return newerThan13_; }
    bool firmwareNewerThan15() const { return newerThan15_; }

  protected:
    ReportKind Classify(std::span<const uint8_t> report) const override;
    void VersionReply(std::span<const uint8_t> report) override;
    CommonFields ReadCommon(std::span<const uint8_t> report) const override;
    int32_t SmallWheelMovement(std::span<const uint8_t> report, std::span<const uint8_t> previous,
                               size_t index) const override;
    uint16_t Position(std::span<const uint8_t> report, uint8_t control,
                      size_t preset) const override;
    void PresetsArrived() override;

  private:
    bool versionRequested_ = false;
    bool newerThan13_ = false;
    bool newerThan15_ = false;
};

}  // namespace qmt
