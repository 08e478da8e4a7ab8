#pragma once
// ARDO RAW (model type 6): two presets (mapping slots 6 and 5), velocity pads, a four-way
// selector switch that counts as four buttons, and endless knobs for the left gain and EQ
// that the decoder turns into positions of its own, one set per preset.

#include <array>

#include "engine/ArdoHandlerAbs.h"

namespace qmt {

class QmtArdoRawControllerHandler final : public ArdoHandlerAbs {
  public:
    static constexpr int32_t kKnobStep = 910;  // position change per encoder detent
    static constexpr uint16_t kKnobMiddle = 32767;

    QmtArdoRawControllerHandler(ActionEngine& engine, PortClockIf& clock,
                                std::unique_ptr<HidDeviceIf> device);
    uint8_t ModelType() const override { return kModelArdoRaw; }

  protected:
    ReportKind Classify(std::span<const uint8_t> report) const override;
    CommonFields ReadCommon(std::span<const uint8_t> report) const override;
    int32_t SmallWheelMovement(std::span<const uint8_t> report, std::span<const uint8_t> previous,
                               size_t index) const override;
    uint16_t Position(std::span<const uint8_t> report, uint8_t control,
                      size_t preset) const override;
    uint16_t PadPressure(std::span<const uint8_t> report, size_t index) const override;
    void InitialiseModel(std::span<const uint8_t> report) override;
    void BeforeControls(std::span<const uint8_t> report, std::span<const uint8_t> previous,
                        size_t live) override;

  private:
    // Knob positions per preset, in the order gain, treble, mid, bass.
    std::array<std::array<uint16_t, 4>, 2> knobs_{};
};

}  // namespace qmt
