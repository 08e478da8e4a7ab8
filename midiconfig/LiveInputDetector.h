#pragma once
// Finds the one control the user is operating on a connected controller, from the filtered
// reports of every device, and says when the editor should select it.
//
// A control counts as operated in a report when its button bit is set, its position or pad
// pressure differs from the previous report, its wheel moved, or the touch pad's position
// changed. A report with two such controls is ignored (a DJ resting a hand on the
// controller selects nothing). A control stays detected for 500 ms after the last report
// that showed it; it is selected once a report detects it at least 50 ms after the last
// report that detected nothing, so a brush past a control on the way to another does not
// select it, and a control detected only briefly is selected when its 500 ms run out.
//
// Touch pad: the position is compared as the new X (first value) and the new Y (second).
// X below 10240 is the strip along the pad's left edge, "Touchpad Y"; else Y above 55295
// is the strip along its bottom edge, "Touchpad X"; anywhere else is "Touchpad touch". The
// "Touchpad touch" button is always down while a finger rests, so on the models with a
// touch pad it does not count when it is the only control before the touch values; the
// position decides.
//
// Threads: detect() runs on the poller's thread (all detection state is its own);
// setPresetKind() may be called from any thread. Times come from the millisecond tick
// counter given at construction and are compared as unsigned differences, so they survive
// its wrap.

#include <atomic>
#include <cstdint>

#include "common/Clock.h"
#include "midiconfig/HidControlState.h"
#include "model/Preset.h"

namespace qmt {

class LiveInputDetector {
  public:
    static constexpr uint32_t kDetectionLifetimeMs = 500;
    static constexpr uint32_t kQuietBeforeSelectMs = 50;
    static constexpr uint16_t kTouchYStripBelow = 10240;  // first comparison value (X)
    static constexpr uint16_t kTouchXStripAbove = 55295;  // second comparison value (Y)

    explicit LiveInputDetector(TickClockIf& clock) : clock_(clock) {}

    // The kind of the preset being edited; reports of other kinds are ignored.
    void setPresetKind(PresetKind kind) { kind_.store(kind); }

    // Takes one filtered report; returns the control the editor should select now, or
    // kNoControl.
    uint8_t detect(const HidControlState& state);

    // The control a report shows operated: kNoControl when none, kNoControl with `several`
    // set when more than one.
    static uint8_t OperatedControl(const HidControlState& state, bool& several);
    // The touch pad control a position stands for.
    static uint8_t TouchControl(uint16_t x, uint16_t y);

  private:
    uint8_t select(uint8_t control);

    TickClockIf& clock_;
    std::atomic<PresetKind> kind_{PresetKind::Kvp};
    uint8_t detected_ = kNoControl;
    uint32_t detectedAt_ = 0;
    uint32_t lastUndetectedAt_ = 0;
    uint8_t lastLiveSelected_ = kNoControl;
};

}  // namespace qmt
