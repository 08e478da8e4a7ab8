#pragma once
// What the three ARDO models share: two presets chosen by the deck switch, the smoothed
// "Wheel top" hold with its decay between reports, the idle step, and the lights driven by
// MIDI from applications. The models differ in report layout, which the subclasses read.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/ArdoLights.h"
#include "engine/ArdoWheelSpeed.h"
#include "engine/ButtonHeldStates.h"
#include "engine/ControllerHandler.h"
#include "engine/WheelTopHold.h"

namespace qmt {

class ArdoHandlerAbs : public ControllerHandler {
  public:
    static constexpr size_t kReportLength = 65;

    NtStatus Attach(const std::string& path) override;
    const char* DevicePath() const override { return path_.c_str(); }
    const char* SerialString() const override { return serial_.c_str(); }
    void SetPresets(const PresetSlots& slots) override;
    NtStatus StartReader() override;
    NtStatus StopReader() override;
    NtStatus StartWriter() override;
    bool AcceptsMidi() override { return true; }
    void BeginMidiBatch() override;
    void MidiMessage(uint8_t byteCount, const MidiBytes& bytes) override;
    void EndMidiBatch() override;
    void ResetOutput() override;
    void IdleStep() override;
    NtStatus ReportStep() override;
    NtStatus WriterStep() override;

    // Decodes one report already read: the reader's step without the read.
    NtStatus DecodeReport(std::span<const uint8_t> report);

    bool outputEnabled() const { return outputEnabled_; }
    // The writer's 20 ms timer; re-armed by every writer step, cancelled by ResetOutput.
    bool writerTimerArmed() const override { return timerArmed_; }
    uint8_t deckBit() const { return deckBit_.load(); }
    // The lights, for tests that look at LED state directly.
    ArdoLights& lights() { return lights_; }

  protected:
    enum class ReportKind { Control, VersionReply, Other };

    // The fields every control report has, wherever the model keeps them.
    struct CommonFields {
        uint16_t status = 0;
        int32_t wheel = 0;  // raw wheel movement since the last report
        uint32_t deviceTime = 0;
        uint64_t pressed = 0;  // bit n = n-th button of the model's list
        uint8_t deck = 0;
    };

    // `firstSlot` and `secondSlot` are the mapping slots of the first and second preset.
    ArdoHandlerAbs(ActionEngine& engine, PortClockIf& clock, std::unique_ptr<HidDeviceIf> device,
                   uint8_t modelType, int firstSlot, int secondSlot);

    virtual ReportKind Classify(std::span<const uint8_t> report) const = 0;
    virtual void VersionReply(std::span<const uint8_t>) {}
    virtual CommonFields ReadCommon(std::span<const uint8_t> report) const = 0;
    // Movement of the small wheel at `index` (1 to 4) of the rotary list.
    virtual int32_t SmallWheelMovement(std::span<const uint8_t> report,
                                       std::span<const uint8_t> previous, size_t index) const = 0;
    // Position of an absolute control for one preset (0 first, 1 second).
    virtual uint16_t Position(std::span<const uint8_t> report, uint8_t control,
                              size_t preset) const = 0;
    virtual uint16_t PadPressure(std::span<const uint8_t>, size_t) const { return 0xFFFF; }
    // Model hooks around the common decoding.
    virtual void PresetsArrived() {}
    virtual void InitialiseModel(std::span<const uint8_t>) {}
    virtual void BeforeControls(std::span<const uint8_t>, std::span<const uint8_t>, size_t) {}
    virtual void SelectorEvent(Preset&, std::span<const uint8_t>, std::span<const uint8_t>,
                               int64_t) {}

    // Writes one output report; the caller holds the output mutex.
    bool WriteOutput(const OutputReport& report);
    const ModelControls& controls() const { return *controls_; }

  private:
    void InitialisePresets(std::span<const uint8_t> report);
    void PreparePreset(Preset& preset, size_t index, std::span<const uint8_t> report);
    void Decode(std::span<const uint8_t> report, int64_t now);
    void UpdateHeld(int64_t now, int64_t speed);
    ControlContext Context(size_t preset, int64_t now) const;
    void RunButtons(int64_t now);
    void RunRotaries(std::span<const uint8_t> report, const CommonFields& fields, int64_t now);
    void RunAbsolutes(std::span<const uint8_t> report, int64_t now);
    void RunPads(std::span<const uint8_t> report, int64_t now);
    void SendTouchpadMode(bool stopped);
    // Adds a pending deck-value report to `pending_` and writes them all, in order; false
    // at the first write that fails. Needs the output mutex.
    bool WritePending();
    bool UsesTouchpad() const;
    uint32_t BuildListeningMask() const;

    const ModelControls* controls_;
    int firstSlot_;
    int secondSlot_;
    std::array<Preset*, 2> presets_{};
    bool presetsChanged_ = false;
    bool initialised_ = false;
    size_t live_ = 0;
    std::vector<uint8_t> report_;
    std::vector<uint8_t> previous_;
    ButtonHeldStates buttons_;
    ArdoWheelSpeed speed_;
    WheelTopHold wheelTop_;
    HeldTable held_{};
    int64_t lastReportTime_ = 0;
    uint16_t lastStatus_ = 0;
    std::atomic<uint8_t> deckBit_{0};
    std::atomic<uint32_t> listeningMask_{0};
    std::atomic<bool> refresh_{false};

    // Output side, under the output mutex.
    ArdoLights lights_;
    std::vector<OutputReport> pending_;
    bool outputEnabled_ = false;
    std::atomic<bool> timerArmed_{false};
    bool batchOpen_ = false;
    bool batchChanged_ = false;
};

}  // namespace qmt
