#include "engine/KvHandlerAbs.h"

namespace qmt {

namespace {
constexpr int64_t kWheelTopThreshold = 192;
}  // namespace

KvHandlerAbs::KvHandlerAbs(ActionEngine& engine, PortClockIf& clock,
                           std::unique_ptr<HidDeviceIf> device, uint8_t modelType,
                           size_t reportLength)
    : ControllerHandler(engine, clock, std::move(device)),
      controls_(ControlsOf(modelType)),
      reportLength_(reportLength),
      report_(reportLength) {
    if (controls_ != nullptr) buttons_.Resize(controls_->buttons.size());
}

NtStatus KvHandlerAbs::Attach(const std::string& path) {
    std::lock_guard lock(inputMutex_);
    preset_ = nullptr;
    return AttachDevice(path, false);
}

void KvHandlerAbs::SetPresets(const PresetSlots& slots) {
    std::lock_guard lock(inputMutex_);
    preset_ = slots[0];
    if (preset_ != nullptr) presetsChanged_ = true;
}

NtStatus KvHandlerAbs::ReportStep() {
    if (preset_ == nullptr || controls_ == nullptr) {
        WaitWithoutPreset();
        return kStatusSuccess;
    }
    if (!ReadReport(report_)) return kStatusDeviceNotConnected;
    return DecodeReport(report_);
}

NtStatus KvHandlerAbs::DecodeReport(std::span<const uint8_t> report) {
    if (preset_ == nullptr || controls_ == nullptr) return kStatusSuccess;
    if (report.size() != reportLength_ || !Matches(report)) return kStatusSuccess;
    if (presetsChanged_) {
        InitialisePreset(report);
        return kStatusSuccess;
    }
    int64_t now = 0;
    if (!Now(now)) return kStatusUnsuccessful;
    Decode(report, now);
    return kStatusSuccess;
}

void KvHandlerAbs::InitialisePreset(std::span<const uint8_t> report) {
    presetsChanged_ = false;
    buttons_.Clear();
    const uint16_t slider = SliderPosition(report);
    auto prepare = [&](std::span<const uint8_t> ids) {
        for (uint8_t id : ids) {
            for (Assignment& a : preset_->lists[id]) {
                a.ResetRunTime();
                if (a.modifier < kNoControl)
                    buttons_.RegisterTimeout(controls_->buttonSlot[a.modifier], a.releaseTimeout);
                if (id == kControlSlider) ActionEngine::TrackPosition(a, slider);
            }
        }
    };
    prepare(controls_->buttons);
    prepare(controls_->rotaries);
    prepare(controls_->absolutes);
    filter_.Reset();
    wheelTop_.Reset();
    ResetWheel(report);
}

void KvHandlerAbs::Decode(std::span<const uint8_t> report, int64_t now) {
    const ModelControls& c = *controls_;
    const size_t wheelTopSlot = c.buttonSlot[kControlWheelTop];
    buttons_.SetPressed(PressedSlots(report));
    buttons_.Update(now, wheelTopSlot);
    const WheelStep wheel = StepWheel(report);
    const int64_t speed = filter_.Step(wheel.filterInput);
    if (wheelTopSlot != kNoButtonSlot)
        wheelTop_.Apply(buttons_.slot(wheelTopSlot), speed, kWheelTopThreshold, now);
    buttons_.FillHeldTable(c, held_);

    const ControlContext context{ModelFamily::Kv, true, &held_, now};
    for (size_t n = 0; n < c.buttons.size(); ++n)
        engine_.ButtonEvents(preset_->lists[c.buttons[n]], context, buttons_.slot(n).pressed);
    engine_.RotaryEvents(preset_->lists[kControlWheel], context, wheel.movement);
    engine_.SlideEvents(preset_->lists[kControlSlider], context, SliderPosition(report));
}

}  // namespace qmt
