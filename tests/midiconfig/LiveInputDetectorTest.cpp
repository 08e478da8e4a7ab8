// Which control a report shows operated, and when the editor is told to select it.

#include <gtest/gtest.h>

#include "midiconfig/LiveInputDetector.h"
#include "model/ControlId.h"

namespace qmt {
namespace {

constexpr uint8_t kPlay = kControlPlay, kCue = kControlCue, kEject = kControlEject;

HidControlState Kv10(uint64_t buttons) {
    HidControlState s;
    s.modelType = kModelKv10;
    s.rotaryCount = 1;
    s.absoluteCount = 1;
    s.buttons = buttons;
    return s;
}
uint64_t Bit(uint8_t n) {
    return uint64_t{1} << n;
}

// An ARDO RAW report with the touch pad (and optionally "Touchpad touch", list bit 24).
HidControlState Touch(uint16_t x, uint16_t y, bool touchButton) {
    HidControlState s;
    s.modelType = kModelArdoRaw;
    s.hasTouch = true;
    s.touchNew = {x, y};
    s.buttons = touchButton ? Bit(24) : 0;
    return s;
}

class LiveInputDetectorTest : public ::testing::Test {
  protected:
    // Advances time, then hands the detector one report.
    uint8_t at(int64_t ms, const HidControlState& s) {
        clock.advanceMs(ms);
        return detector.detect(s);
    }
    ManualClock clock{10'000 * 100'000};  // 100 s after boot
    LiveInputDetector detector{clock};
};

TEST_F(LiveInputDetectorTest, OneButtonIsSelectedOnceTwoAreIgnored) {
    EXPECT_EQ(at(0, Kv10(Bit(kPlay))), kPlay);        // KV10: bit n is identifier n
    EXPECT_EQ(at(10, Kv10(Bit(kPlay))), kNoControl);  // already selected by live input
    EXPECT_EQ(at(600, Kv10(Bit(kPlay) | Bit(kCue))), kNoControl);
    EXPECT_EQ(at(100, Kv10(Bit(kPlay) | Bit(kCue))), kNoControl);
}

TEST_F(LiveInputDetectorTest, ControlNeedsFiftyQuietMillisecondsBeforeItIsSelected) {
    EXPECT_EQ(at(0, Kv10(0)), kNoControl);
    EXPECT_EQ(at(49, Kv10(Bit(kCue))), kNoControl);  // on the way to something else
    EXPECT_EQ(at(1, Kv10(Bit(kCue))), kCue);         // 50 ms after the quiet report
}

TEST_F(LiveInputDetectorTest, DetectedControlIsSelectedByLaterReportsOrWhenItsTimeRunsOut) {
    at(0, Kv10(0));
    EXPECT_EQ(at(10, Kv10(Bit(kEject))), kNoControl);
    EXPECT_EQ(at(30, Kv10(0)), kNoControl);  // still detected, 40 ms after the quiet report
    EXPECT_EQ(at(10, Kv10(0)), kEject);

    at(1000, Kv10(0));
    EXPECT_EQ(at(10, Kv10(Bit(kCue))), kNoControl);
    EXPECT_EQ(at(500, Kv10(0)), kCue);  // no report in between: selected as it expires
    EXPECT_EQ(at(600, Kv10(0)), kNoControl);
}

TEST_F(LiveInputDetectorTest, ReportsOfAnotherKindChangeNothing) {
    detector.setPresetKind(PresetKind::Kap);
    EXPECT_EQ(at(0, Kv10(Bit(kPlay))), kNoControl);
    detector.setPresetKind(PresetKind::Kvp);
    EXPECT_EQ(at(100, Kv10(Bit(kPlay))), kPlay);
}

TEST_F(LiveInputDetectorTest, PositionsWheelsAndPadsMapByTheirPlaceInTheReport) {
    bool several = false;
    HidControlState s;
    s.modelType = kModelArdoRaw;
    s.absoluteCount = 8;
    s.absoluteNew[2] = 1;
    EXPECT_EQ(LiveInputDetector::OperatedControl(s, several), kControlCrossfader);
    s = HidControlState{};
    s.modelType = kModelArdoRawProto2009;
    s.rotaryCount = 6;
    s.rotary[5] = -1;
    EXPECT_EQ(LiveInputDetector::OperatedControl(s, several), kControlSelector);
    s.padCount = 4;
    s.padNew[3] = 1;
    EXPECT_EQ(LiveInputDetector::OperatedControl(s, several), kNoControl);
    EXPECT_TRUE(several);
    s.rotary[5] = 0;
    EXPECT_EQ(LiveInputDetector::OperatedControl(s, several), kControlNwVelocityPad);
}

TEST_F(LiveInputDetectorTest, TouchPositionChoosesTheStripAndTheTouchButtonStepsAside) {
    bool several = false;
    EXPECT_EQ(LiveInputDetector::OperatedControl(Touch(10239, 60000, true), several),
              kControlTouchpadY);
    EXPECT_EQ(LiveInputDetector::OperatedControl(Touch(10240, 55296, true), several),
              kControlTouchpadX);
    EXPECT_EQ(LiveInputDetector::OperatedControl(Touch(30000, 55295, true), several),
              kControlTouchpadTouch);
    // A resting finger that does not move operates nothing.
    EXPECT_EQ(LiveInputDetector::OperatedControl(Touch(0, 0, true), several), kNoControl);
    EXPECT_FALSE(several);
    HidControlState s = Touch(30000, 100, false);
    s.buttons = 1;  // "Wheel top" together with the touch pad
    EXPECT_EQ(LiveInputDetector::OperatedControl(s, several), kNoControl);
    EXPECT_TRUE(several);
}

}  // namespace
}  // namespace qmt
