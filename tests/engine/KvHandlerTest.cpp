// KV10 and KV5 decoding: report checks, presets becoming live, buttons in their bit
// order, the wheels, the slider and the "Wheel top" hold.

#include <gtest/gtest.h>

#include "HandlerRig.h"
#include "engine/Kv5WheelHysteresis.h"
#include "engine/QmtKv10ControllerHandler.h"

namespace qmt::test {
namespace {

// A relative control change with encoding "7Fh : 01h": +n sends n, -n sends 128 - n.
Assignment RelativeCc(uint8_t controller, int32_t threshold) {
    return Assign(
        kRotate,
        Msg(kMsgControlChange, 0).number(controller).encoding(kEnc7F01).threshold(threshold),
        Msg(kMsgControlChange, 0).number(controller).encoding(kEnc7F01).threshold(threshold));
}

TEST(Kv10Handler, AttachKeepsPathAndTrimmedSerial) {
    HandlerRig rig(kModelKv10);
    EXPECT_EQ(rig.handler->ModelType(), kModelKv10);
    EXPECT_STREQ(rig.handler->SerialString(), "SN 42");
    EXPECT_STREQ(rig.handler->DevicePath(), "\\\\?\\HID#VID_F7E1&PID_0300&MI_02#test");
    EXPECT_FALSE(rig.handler->AcceptsMidi());
}

TEST(Kv10Handler, FirstReportAfterPresetsSendsNothingEvenWithButtonsDown) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlPlay, TriggerNote(60)).apply({0});
    rig.feed(Kv10Report().press(kControlPlay));
    EXPECT_TRUE(rig.take().empty());
    rig.feed(Kv10Report());  // the Trigger never fired, so its release sends nothing either
    EXPECT_TRUE(rig.take().empty());
    rig.feed(Kv10Report().press(kControlPlay));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 60, 127)}));
}

TEST(Kv10Handler, ButtonBitIsTheIdentifier) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlCue, TriggerNote(61)).assign(0, kControlPlay, TriggerNote(60)).apply({0});
    rig.feed(Kv10Report());
    rig.feed(Kv10Report().press(kControlCue));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 61, 127)}));
}

TEST(Kv10Handler, WheelMovementFromBothCounters) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlWheel, RelativeCc(16, 4096)).apply({0});
    rig.feed(Kv10Report().counters(100, 65533));
    // B up by 5 (wrapping), A up by 5: five backward ticks.
    rig.feed(Kv10Report().counters(105, 2));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 16, 123)}));
    // B up by 5, A unchanged: five forward ticks.
    rig.feed(Kv10Report().counters(105, 7));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 16, 5)}));
}

TEST(Kv10Handler, ReportWithNonZeroFirstByteLeavesStateAlone) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlWheel, RelativeCc(16, 4096)).apply({0});
    rig.feed(Kv10Report().counters(0, 0));
    rig.feed(Kv10Report().counters(0, 3).u8(0, 1));
    EXPECT_TRUE(rig.take().empty());
    // Had the ignored report updated the counters, this would be one step, not four.
    rig.feed(Kv10Report().counters(0, 4));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 16, 4)}));
}

TEST(Kv10Handler, IgnoredReportDoesNotConsumeNewPresets) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlPlay, TriggerNote(60)).apply({0});
    rig.feed(Kv10Report().press(kControlPlay).u8(0, 2));
    rig.feed(Kv10Report().press(kControlPlay));  // this one makes the preset live
    EXPECT_TRUE(rig.take().empty());
}

TEST(Kv10Handler, SliderStartsFromItsPositionWhenPresetBecomesLive) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlSlider,
               Assign(kSlide, Msg(kMsgControlChange, 2).number(7).threshold(4096 * 512),
                      Msg(kMsgControlChange, 2).number(7).threshold(4096 * 512)))
        .apply({0});
    rig.feed(Kv10Report().slider(30000));
    rig.feed(Kv10Report().slider(30100));  // less than one threshold: no jump, nothing sent
    EXPECT_TRUE(rig.take().empty());
    rig.feed(Kv10Report().slider(65535));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(2, 7, 127)}));
}

TEST(Kv10Handler, InvertedSliderDoesNotJumpWhenPresetBecomesLive) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlSlider,
               Assign(kSlide, Msg(kMsgControlChange, 2).number(7).threshold(4096 * 512),
                      Msg(kMsgControlChange, 2).number(7).threshold(4096 * 512))
                   .inverted())
        .apply({0});
    rig.feed(Kv10Report().slider(10000));
    rig.feed(Kv10Report().slider(10000));
    EXPECT_TRUE(rig.take().empty());
    rig.feed(Kv10Report().slider(0));  // inverted: the bottom is the top
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(2, 7, 127)}));
}

TEST(Kv10Handler, WithoutPresetsNothingIsRead) {
    HandlerRig rig(kModelKv10);
    int waits = 0;
    rig.handler->SetNoPresetWait([&] { ++waits; });
    rig.device->QueueReport(Kv10Report());
    EXPECT_EQ(rig.handler->ReportStep(), kStatusSuccess);
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(rig.device->queuedReports(), 1u);
}

TEST(Kv10Handler, FailedReadAndFailedClockAreErrors) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlPlay, TriggerNote(60)).apply({0});
    EXPECT_FALSE(NtSuccess(rig.handler->ReportStep()));  // nothing to read: device gone
    rig.feed(Kv10Report());
    rig.clock.setFailing(true);
    rig.device->QueueReport(Kv10Report().press(kControlPlay));
    EXPECT_FALSE(NtSuccess(rig.handler->ReportStep()));
    EXPECT_EQ(rig.handler->errorCount(), 2u);
    EXPECT_TRUE(rig.take().empty());
}

// A modifier that was never pressed is not held, even while the port clock is still
// smaller than the modifier's release timeout.
TEST(Kv10Handler, NeverPressedModifierIsNotHeldEarlyInTheClock) {
    HandlerRig rig(kModelKv10, /*startMs=*/100);
    rig.assign(0, kControlPlay, Modified(TriggerNote(70), kControlCue, 1000))
        .assign(0, kControlPlay, TriggerNote(60))
        .apply({0});
    rig.feed(Kv10Report());
    rig.feedAt(110, Kv10Report().press(kControlPlay));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 60, 127)}));
}

TEST(Kv10Handler, ModifierHeldForItsReleaseTimeout) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlPlay, Modified(TriggerNote(70), kControlCue, 300))
        .assign(0, kControlPlay, TriggerNote(60))
        .apply({0});
    rig.feedAt(1000, Kv10Report());
    rig.feedAt(1010, Kv10Report().press(kControlCue));
    rig.feedAt(1020, Kv10Report());
    rig.feedAt(1300, Kv10Report().press(kControlPlay));  // 290 ms after the modifier was let go
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 70, 127)}));
}

// Spinning the wheel forward by `ticks` per report, with "Wheel top" touched or not.
struct Spinner {
    HandlerRig& rig;
    uint16_t all = 0;
    uint16_t backward = 0;
    int64_t ms = 1000;
    void spin(int ticks, bool touched, bool play = false) {
        if (ticks >= 0) {
            all = static_cast<uint16_t>(all + ticks);
        } else {
            all = static_cast<uint16_t>(all - ticks);
            backward = static_cast<uint16_t>(backward - ticks);
        }
        Kv10Report r;
        r.counters(backward, all);
        if (touched) r.press(kControlWheelTop);
        if (play) r.press(kControlPlay);
        rig.feedAt(ms += 10, r);
    }
};

TEST(Kv10Handler, ReleasedWheelTopStaysHeldWhileTheWheelSpinsOn) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlPlay, Modified(TriggerNote(70), kControlWheelTop))
        .assign(0, kControlPlay, TriggerNote(60))
        .apply({0});
    Spinner s{rig};
    s.spin(0, false);
    for (int n = 0; n < 20; ++n)
        s.spin(10, true);
    for (int n = 0; n < 5; ++n)
        s.spin(10, false);
    s.spin(10, false, true);
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 70, 127)}));
    s.spin(10, false);
    // The wheel stops: once the filtered speed falls to the threshold the hold ends.
    for (int n = 0; n < 60; ++n)
        s.spin(0, false);
    s.spin(0, false, true);
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 70, 0), NoteOn(0, 60, 127)}));
}

TEST(Kv10Handler, WheelTopLetsGoWhenTheWheelReverses) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlPlay, Modified(TriggerNote(70), kControlWheelTop))
        .assign(0, kControlPlay, TriggerNote(60))
        .apply({0});
    Spinner s{rig};
    s.spin(0, false);
    for (int n = 0; n < 20; ++n)
        s.spin(10, true);
    for (int n = 0; n < 20; ++n)
        s.spin(-10, false);
    // Spinning fast again, but the hold ended on the reversal and needs a new touch.
    for (int n = 0; n < 20; ++n)
        s.spin(10, false);
    s.spin(10, false, true);
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 60, 127)}));
}

TEST(Kv10Handler, TouchWithoutSpinIsReleasedWithTheTouch) {
    HandlerRig rig(kModelKv10);
    rig.assign(0, kControlPlay, Modified(TriggerNote(70), kControlWheelTop))
        .assign(0, kControlPlay, TriggerNote(60))
        .apply({0});
    Spinner s{rig};
    s.spin(0, false);
    s.spin(0, true);
    s.spin(0, false, true);
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 60, 127)}));
}

TEST(Kv5WheelHysteresis, JitterInsideTheWindowIsIgnored) {
    Kv5WheelHysteresis h;
    h.Reset(1000);  // window 992 .. 1008
    for (uint16_t r : {1000, 1008, 992, 1005, 995})
        EXPECT_EQ(h.Step(r), 0) << r;
}

TEST(Kv5WheelHysteresis, MovementKeepsItsSignAcrossReversals) {
    Kv5WheelHysteresis h;
    h.Reset(1000);
    EXPECT_EQ(h.Step(1020), 12);  // dragged the window to 1004 .. 1020
    EXPECT_EQ(h.Step(1019), 0);   // back by one: inside, no jump backwards or forwards
    EXPECT_EQ(h.Step(1000), -4);  // window now 1000 .. 1016
    EXPECT_EQ(h.Step(1001), 0);
    EXPECT_EQ(h.Step(1030), 14);
}

TEST(Kv5WheelHysteresis, WrapsAroundTheSixteenBitPosition) {
    Kv5WheelHysteresis h;
    h.Reset(65530);
    EXPECT_EQ(h.Step(20), 18);
    EXPECT_EQ(h.Step(65500), -40);  // window was 4 .. 20
}

TEST(Kv5Handler, ReportsNeedTwoZeroBytesAndUseListBitOrder) {
    HandlerRig rig(kModelKv5);
    rig.assign(0, kControlWheelAftertouch, TriggerNote(40)).apply({0});
    rig.feed(Kv5Report());
    rig.feed(Kv5Report().press(kControlWheelAftertouch).u8(1, 1));  // ignored
    EXPECT_TRUE(rig.take().empty());
    rig.feed(Kv5Report().u8(12, 0x80));  // bit 7 is "Wheel aftertouch"
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 40, 127)}));
}

TEST(Kv5Handler, WheelStepsThroughTheWindow) {
    HandlerRig rig(kModelKv5);
    rig.assign(0, kControlWheel, RelativeCc(16, 32)).apply({0});
    rig.feed(Kv5Report().wheel(500).time(100));
    rig.feed(Kv5Report().wheel(505).time(200));  // jitter
    EXPECT_TRUE(rig.take().empty());
    rig.feed(Kv5Report().wheel(520).time(300));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 16, 12)}));
    rig.feed(Kv5Report().wheel(480).time(300));  // same device time: still a sane step
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 16, 128 - 24)}));
}

}  // namespace
}  // namespace qmt::test
