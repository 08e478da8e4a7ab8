#include "midiconfig/LiveInputDetector.h"

#include "model/Catalogue.h"
#include "model/ControlId.h"
#include "model/PresetKinds.h"

namespace qmt {

namespace {

// Counts operated controls and keeps the last one.
struct Operated {
    int count = 0;
    uint8_t last = kNoControl;
    void add(uint8_t control) {
        ++count;
        last = control;
    }
    bool several() const { return count > 1; }
};

// The button behind bit n: the n-th of the model's list, except on the KV10, whose bit n is
// identifier n.
uint8_t ButtonOfBit(const HidControlState& s, const ModelControls& controls, size_t bit) {
    if (s.modelType == kModelKv10)
        return bit < kControlCount && controls.buttonSlot[bit] != kNoButtonSlot
                   ? static_cast<uint8_t>(bit)
                   : kNoControl;
    return bit < controls.buttons.size() ? controls.buttons[bit] : kNoControl;
}

// Adds what the buttons, absolute controls and wheels show; false once there are two.
bool CountBeforeTouch(const HidControlState& s, const ModelControls& controls, Operated& op) {
    for (size_t bit = 0; bit < 64; ++bit) {
        if ((s.buttons >> bit & 1) == 0) continue;
        const uint8_t control = ButtonOfBit(s, controls, bit);
        if (control == kNoControl) continue;
        op.add(control);
        if (op.several()) return false;
    }
    // The catalogue lists each model's absolute controls, wheels and pads in the order of
    // the state's positions.
    for (size_t i = 0; i < s.absoluteCount && i < controls.absolutes.size(); ++i) {
        if (s.absoluteOld[i] == s.absoluteNew[i]) continue;
        op.add(controls.absolutes[i]);
        if (op.several()) return false;
    }
    for (size_t i = 0; i < s.rotaryCount && i < controls.rotaries.size(); ++i) {
        if (s.rotary[i] == 0) continue;
        op.add(controls.rotaries[i]);
        if (op.several()) return false;
    }
    return true;
}

bool CountTouchAndPads(const HidControlState& s, const ModelControls& controls, Operated& op) {
    if (s.hasTouch) {
        if (op.count == 1 && op.last == kControlTouchpadTouch) op = Operated{};
        if (s.touchOld != s.touchNew) {
            op.add(LiveInputDetector::TouchControl(s.touchNew[HidControlState::kTouchX],
                                                   s.touchNew[HidControlState::kTouchY]));
            if (op.several()) return false;
        }
    }
    for (size_t i = 0; i < s.padCount && i < controls.pads.size(); ++i) {
        if (s.padOld[i] == s.padNew[i]) continue;
        op.add(controls.pads[i]);
        if (op.several()) return false;
    }
    return true;
}

}  // namespace

uint8_t LiveInputDetector::TouchControl(uint16_t x, uint16_t y) {
    if (x < kTouchYStripBelow) return kControlTouchpadY;
    if (y > kTouchXStripAbove) return kControlTouchpadX;
    return kControlTouchpadTouch;
}

uint8_t LiveInputDetector::OperatedControl(const HidControlState& state, bool& several) {
    several = false;
    const ModelControls* controls = ControlsOf(state.modelType);
    if (controls == nullptr) return kNoControl;
    Operated op;
    if (!CountBeforeTouch(state, *controls, op) || !CountTouchAndPads(state, *controls, op)) {
        several = true;
        return kNoControl;
    }
    return op.last;
}

uint8_t LiveInputDetector::select(uint8_t control) {
    lastLiveSelected_ = control;
    return control;
}

uint8_t LiveInputDetector::detect(const HidControlState& state) {
    const std::optional<PresetKind> kind = PresetKindOfModel(state.modelType);
    if (!kind || *kind != kind_.load()) return kNoControl;
    const uint32_t now = clock_.tickMs();
    const uint8_t before = detected_;
    if (now - detectedAt_ >= kDetectionLifetimeMs) detected_ = kNoControl;
    bool several = false;
    const uint8_t operated = OperatedControl(state, several);
    if (several) return kNoControl;
    if (operated != kNoControl) {
        detected_ = operated;
        detectedAt_ = now;
    }
    if (detected_ == kNoControl) {
        lastUndetectedAt_ = now;
        // A control seen too briefly to be selected is selected once its time runs out.
        if (before == kNoControl || before == lastLiveSelected_) return kNoControl;
        return select(before);
    }
    if (detected_ == lastLiveSelected_) return kNoControl;
    if (now - lastUndetectedAt_ < kQuietBeforeSelectMs) return kNoControl;
    return select(detected_);
}

}  // namespace qmt
