#pragma once
// What the KV10 and KV5 decoders share: one preset, no lights, a single wheel with the
// low-pass "Wheel top" hold, one slider. The models differ in report layout and in how
// wheel movement is derived, which the subclasses supply.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/ButtonHeldStates.h"
#include "engine/ControllerHandler.h"
#include "engine/WheelTopFilter.h"
#include "engine/WheelTopHold.h"

namespace qmt {

class KvHandlerAbs : public ControllerHandler {
  public:
    NtStatus Attach(const std::string& path) override;
    const char* DevicePath() const override { return path_.c_str(); }
    const char* SerialString() const override { return serial_.c_str(); }
    void SetPresets(const PresetSlots& slots) override;
    NtStatus ReportStep() override;

    // Decodes one report already read: the reader's step without the read.
    NtStatus DecodeReport(std::span<const uint8_t> report);
    bool presetsPending() const { return presetsChanged_; }

  protected:
    struct WheelStep {
        int32_t movement;     // what the "Wheel" control receives
        int64_t filterInput;  // what the wheel-top filter receives
    };

    KvHandlerAbs(ActionEngine& engine, PortClockIf& clock, std::unique_ptr<HidDeviceIf> device,
                 uint8_t modelType, size_t reportLength);

    virtual bool Matches(std::span<const uint8_t> report) const = 0;
    // Bit n set = the n-th button of the model's list is pressed.
    virtual uint64_t PressedSlots(std::span<const uint8_t> report) const = 0;
    virtual uint16_t SliderPosition(std::span<const uint8_t> report) const = 0;
    // Takes the wheel's reference from the report that makes the preset live.
    virtual void ResetWheel(std::span<const uint8_t> report) = 0;
    virtual WheelStep StepWheel(std::span<const uint8_t> report) = 0;

    const ModelControls& controls() const { return *controls_; }

  private:
    void InitialisePreset(std::span<const uint8_t> report);
    void Decode(std::span<const uint8_t> report, int64_t now);

    const ModelControls* controls_;
    size_t reportLength_;
    Preset* preset_ = nullptr;
    bool presetsChanged_ = false;
    std::vector<uint8_t> report_;
    ButtonHeldStates buttons_;
    WheelTopFilter filter_;
    WheelTopHold wheelTop_;
    HeldTable held_{};
};

}  // namespace qmt
