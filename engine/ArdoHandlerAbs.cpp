#include "engine/ArdoHandlerAbs.h"

#include <algorithm>

#include "engine/MovementScale.h"

namespace qmt {

namespace {
constexpr std::array<uint8_t, 4> kTouchpadControls{kControlTouchpadX, kControlTouchpadY,
                                                   kControlTouchpadLeft, kControlTouchpadRight};
constexpr uint8_t kOmni = 254;
}  // namespace

ArdoHandlerAbs::ArdoHandlerAbs(ActionEngine& engine, PortClockIf& clock,
                               std::unique_ptr<HidDeviceIf> device, uint8_t modelType,
                               int firstSlot, int secondSlot)
    : ControllerHandler(engine, clock, std::move(device)),
      controls_(ControlsOf(modelType)),
      firstSlot_(firstSlot),
      secondSlot_(secondSlot),
      report_(kReportLength),
      previous_(kReportLength),
      lights_(modelType == kModelArdo) {
    if (controls_ != nullptr) buttons_.Resize(controls_->buttons.size());
}

NtStatus ArdoHandlerAbs::Attach(const std::string& path) {
    std::scoped_lock lock(inputMutex_, outputMutex_);
    presets_ = {};
    return AttachDevice(path, true);
}

void ArdoHandlerAbs::SetPresets(const PresetSlots& slots) {
    {
        std::lock_guard lock(inputMutex_);
        presets_ = {slots[firstSlot_], slots[secondSlot_]};
        if (presets_[0] != nullptr || presets_[1] != nullptr) presetsChanged_ = true;
        listeningMask_.store(BuildListeningMask());
    }
    if (presets_[0] != nullptr || presets_[1] != nullptr) PresetsArrived();
}

uint32_t ArdoHandlerAbs::BuildListeningMask() const {
    uint32_t mask = 0;
    for (size_t i = 0; i < 2; ++i) {
        if (presets_[i] == nullptr) continue;
        const uint8_t channel = presets_[i]->inputChannel;
        if (channel == kOmni) {
            for (uint32_t c = 0; c < 16; ++c)
                mask |= 1u << (2 * c + i);
        } else if (channel < 16) {
            mask |= 1u << (2 * channel + i);
        }
    }
    return mask;
}

NtStatus ArdoHandlerAbs::StartReader() {
    const NtStatus status = ControllerHandler::StartReader();
    if (NtSuccess(status)) SendTouchpadMode(false);
    return status;
}

NtStatus ArdoHandlerAbs::StopReader() {
    // A reader that already stopped (the handler going after its stream) has sent the
    // report already.
    const bool wasRunning = readerRunning();
    const NtStatus status = ControllerHandler::StopReader();
    if (NtSuccess(status) && wasRunning) SendTouchpadMode(true);
    return status;
}

bool ArdoHandlerAbs::UsesTouchpad() const {
    for (const Preset* preset : presets_) {
        if (preset == nullptr) continue;
        for (uint8_t control : kTouchpadControls)
            if (!preset->lists[control].empty()) return true;
    }
    return false;
}

void ArdoHandlerAbs::SendTouchpadMode(bool stopped) {
    bool uses = false;
    {
        std::lock_guard lock(inputMutex_);
        uses = UsesTouchpad();
    }
    OutputReport report{};
    report[1] = 5;  // touch-pad mode
    report[2] = 3;  // command, length and one data byte
    // 1 hands the touch pad back to the controller's own use; 0 reports it to us.
    report[3] = stopped || !uses ? 1 : 0;
    std::lock_guard lock(outputMutex_);
    WriteOutput(report);
}

NtStatus ArdoHandlerAbs::StartWriter() {
    const NtStatus status = ControllerHandler::StartWriter();
    if (!NtSuccess(status)) return status;
    std::lock_guard lock(outputMutex_);
    outputEnabled_ = true;
    // The device may have shown anything meanwhile: send every used group again.
    refresh_.store(true);
    return status;
}

bool ArdoHandlerAbs::WriteOutput(const OutputReport& report) {
    return device_ && device_->WriteReport(report);
}

void ArdoHandlerAbs::BeginMidiBatch() {
    outputMutex_.lock();
    batchOpen_ = true;
    batchChanged_ = false;
    lights_.SetListeningMask(listeningMask_.load());
}

void ArdoHandlerAbs::MidiMessage(uint8_t byteCount, const MidiBytes& bytes) {
    if (!batchOpen_) return;  // only inside a batch, where the output mutex is held
    if (lights_.Message(byteCount, bytes)) batchChanged_ = true;
}

void ArdoHandlerAbs::EndMidiBatch() {
    if (!batchOpen_) return;
    batchOpen_ = false;
    if (batchChanged_) WakeWriter();
    outputMutex_.unlock();
}

void ArdoHandlerAbs::ResetOutput() {
    std::lock_guard lock(outputMutex_);
    // The last application may have sent its final lights just before it closed, and the
    // writer may not have sent them yet: they reach the device once before output stops.
    // A failed write here only ends that; output stops the same way.
    int64_t now = 0;
    if (outputEnabled_ && clock_.Now(now)) {
        pending_.clear();
        lights_.RenderChanged(now, deckBit_.load(), pending_);
        WritePending();
    }
    outputEnabled_ = false;
    timerArmed_ = false;
    lights_.ResetOutput();
}

NtStatus ArdoHandlerAbs::WriterStep() {
    std::lock_guard lock(outputMutex_);
    if (!outputEnabled_) return kStatusSuccess;
    int64_t now = 0;
    if (!Now(now)) return kStatusUnsuccessful;
    pending_.clear();
    lights_.Render(now, deckBit_.load(), refresh_.exchange(false), pending_);
    if (!WritePending()) {
        outputEnabled_ = false;
        timerArmed_ = false;
        return kStatusUnexpectedIoError;
    }
    timerArmed_ = true;
    return kStatusSuccess;
}

bool ArdoHandlerAbs::WritePending() {
    OutputReport values{};
    if (lights_.TakeDeckValues(values)) pending_.push_back(values);
    for (const OutputReport& report : pending_)
        if (!WriteOutput(report)) return false;
    return true;
}

NtStatus ArdoHandlerAbs::ReportStep() {
    if ((presets_[0] == nullptr && presets_[1] == nullptr) || controls_ == nullptr) {
        WaitWithoutPreset();
        return kStatusSuccess;
    }
    // The read blocks, so it happens outside the input mutex: the idle step keeps running
    // while no report arrives.
    if (!ReadReport(report_)) return kStatusDeviceNotConnected;
    return DecodeReport(report_);
}

NtStatus ArdoHandlerAbs::DecodeReport(std::span<const uint8_t> report) {
    std::lock_guard lock(inputMutex_);
    if (controls_ == nullptr || report.size() != kReportLength) return kStatusSuccess;
    const ReportKind kind = Classify(report);
    if (kind == ReportKind::VersionReply) VersionReply(report);
    if (kind != ReportKind::Control) return kStatusSuccess;
    if (presets_[0] == nullptr && presets_[1] == nullptr) return kStatusSuccess;
    if (presetsChanged_) {
        InitialisePresets(report);
        return kStatusSuccess;
    }
    int64_t now = 0;
    if (!Now(now)) return kStatusUnsuccessful;
    Decode(report, now);
    return kStatusSuccess;
}

void ArdoHandlerAbs::InitialisePresets(std::span<const uint8_t> report) {
    presetsChanged_ = false;
    initialised_ = true;
    buttons_.Clear();
    InitialiseModel(report);
    for (size_t i = 0; i < 2; ++i)
        if (presets_[i] != nullptr) PreparePreset(*presets_[i], i, report);
    const CommonFields fields = ReadCommon(report);
    speed_.Reset(fields.deviceTime);
    wheelTop_.Reset();
    lastStatus_ = fields.status;
    deckBit_.store(fields.deck);
    live_ = 1 - fields.deck;
    std::copy(report.begin(), report.end(), previous_.begin());
    int64_t now = 0;
    lastReportTime_ = clock_.Now(now) ? now : 0;
}

void ArdoHandlerAbs::PreparePreset(Preset& preset, size_t index, std::span<const uint8_t> report) {
    const ModelControls& c = *controls_;
    auto prepare = [&](uint8_t control) {
        for (Assignment& a : preset.lists[control]) {
            a.ResetRunTime();
            if (a.modifier < kNoControl)
                buttons_.RegisterTimeout(c.buttonSlot[a.modifier], a.releaseTimeout);
        }
    };
    for (uint8_t control : c.buttons)
        prepare(control);
    for (uint8_t control : c.rotaries)
        prepare(control);
    for (uint8_t control : c.absolutes) {
        prepare(control);
        const int64_t position = Position(report, control, index);
        for (Assignment& a : preset.lists[control])
            ActionEngine::TrackPosition(a, static_cast<uint16_t>(position));
    }
    for (size_t p = 0; p < c.pads.size(); ++p) {
        // A pad remembers the pressure it has now, so its first report sends nothing.
        for (Assignment& a : preset.lists[c.pads[p]]) {
            a.ResetRunTime();
            a.accumulator = PadPressure(report, p);
        }
    }
}

void ArdoHandlerAbs::Decode(std::span<const uint8_t> report, int64_t now) {
    const CommonFields fields = ReadCommon(report);
    if (fields.status != lastStatus_ || fields.deck != deckBit_.load()) {
        // The device changed what it shows by itself: the writer sends everything again.
        refresh_.store(true);
        WakeWriter();
    }
    lastStatus_ = fields.status;
    deckBit_.store(fields.deck);
    live_ = 1 - fields.deck;
    speed_.Update(fields.wheel, fields.deviceTime);
    lastReportTime_ = now;
    buttons_.SetPressed(fields.pressed);
    UpdateHeld(now, speed_.speed());
    BeforeControls(report, previous_, live_);
    RunButtons(now);
    RunRotaries(report, fields, now);
    RunAbsolutes(report, now);
    RunPads(report, now);
    std::copy(report.begin(), report.end(), previous_.begin());
}

void ArdoHandlerAbs::UpdateHeld(int64_t now, int64_t speed) {
    const size_t wheelTopSlot = controls_->buttonSlot[kControlWheelTop];
    buttons_.Update(now, wheelTopSlot);
    if (wheelTopSlot != kNoButtonSlot)
        wheelTop_.Apply(buttons_.slot(wheelTopSlot), speed, ArdoWheelSpeed::kThreshold, now);
    buttons_.FillHeldTable(*controls_, held_);
}

ControlContext ArdoHandlerAbs::Context(size_t preset, int64_t now) const {
    return ControlContext{ModelFamily::Ardo, preset == live_, &held_, now};
}

void ArdoHandlerAbs::RunButtons(int64_t now) {
    const auto buttons = controls_->buttons;
    for (size_t i = 0; i < 2; ++i) {
        if (presets_[i] == nullptr) continue;
        const ControlContext context = Context(i, now);
        for (size_t n = 0; n < buttons.size(); ++n)
            engine_.ButtonEvents(presets_[i]->lists[buttons[n]], context, buttons_.slot(n).pressed);
    }
}

void ArdoHandlerAbs::RunRotaries(std::span<const uint8_t> report, const CommonFields& fields,
                                 int64_t now) {
    const auto rotaries = controls_->rotaries;
    for (size_t i = 0; i < 2; ++i) {
        if (presets_[i] == nullptr) continue;
        Preset& preset = *presets_[i];
        const ControlContext context = Context(i, now);
        for (size_t r = 0; r < rotaries.size(); ++r) {
            AssignmentList& list = preset.lists[rotaries[r]];
            if (rotaries[r] == kControlSelector) {
                if (context.live) SelectorEvent(preset, report, previous_, now);
                continue;
            }
            if (!context.live) {
                // A wheel turned for the other deck must not step this one later.
                for (Assignment& a : list)
                    a.accumulator = 0;
                continue;
            }
            const int32_t movement = r == 0 ? fields.wheel * kFineCountMovement
                                            : SmallWheelMovement(report, previous_, r);
            engine_.RotaryEvents(list, context, movement);
        }
    }
}

void ArdoHandlerAbs::RunAbsolutes(std::span<const uint8_t> report, int64_t now) {
    for (size_t i = 0; i < 2; ++i) {
        if (presets_[i] == nullptr) continue;
        const ControlContext context = Context(i, now);
        for (uint8_t control : controls_->absolutes) {
            AssignmentList& list = presets_[i]->lists[control];
            const uint16_t position = Position(report, control, i);
            if (context.live) {
                engine_.SlideEvents(list, context, position);
            } else if (control != kControlSlider) {
                // Follows the knob while the other deck is live, so switching never jumps.
                for (Assignment& a : list)
                    ActionEngine::TrackPosition(a, position);
            }
        }
    }
}

void ArdoHandlerAbs::RunPads(std::span<const uint8_t> report, int64_t now) {
    const auto pads = controls_->pads;
    for (size_t i = 0; i < 2; ++i) {
        if (presets_[i] == nullptr) continue;
        const ControlContext context = Context(i, now);
        for (size_t p = 0; p < pads.size(); ++p)
            engine_.PadEvents(presets_[i]->lists[pads[p]], context, PadPressure(report, p));
    }
}

void ArdoHandlerAbs::IdleStep() {
    std::lock_guard lock(inputMutex_);
    if (!initialised_ || presetsChanged_) return;
    if (presets_[0] == nullptr && presets_[1] == nullptr) return;
    int64_t now = 0;
    if (!Now(now)) return;
    // No report: the wheel-top hold sees the speed decaying since the last report.
    UpdateHeld(now, speed_.Decayed(now - lastReportTime_));
    RunButtons(now);
}

}  // namespace qmt
