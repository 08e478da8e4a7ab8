// ARDO-family decoding: version request and reply, deck select with two presets, tracking
// of the preset that is not live, the smoothed wheel-top hold and the idle step, and the
// layouts of ARDO RAW and ARDO RAW PROTO 2009.

#include <gtest/gtest.h>

#include "HandlerRig.h"
#include "engine/ArdoHandlerAbs.h"
#include "engine/QmtArdoControllerHandler.h"

namespace qmt::test {
namespace {

Assignment SlideCc(uint8_t channel, uint8_t controller, int32_t threshold = 4096 * 512) {
    return Assign(kSlide, Msg(kMsgControlChange, channel).number(controller).threshold(threshold),
                  Msg(kMsgControlChange, channel).number(controller).threshold(threshold));
}

Assignment RotateInc(uint8_t controller, int32_t threshold = 4096) {
    const Message m =
        Msg(kMsgControlChangeInc, 0).number(controller).range(0, 127).threshold(threshold);
    return Assign(kRotate, m, m);
}

TEST(ArdoHandler, AsksForTheFirmwareVersionOnceWhenPresetsFirstArrive) {
    HandlerRig rig(kModelArdo);
    EXPECT_TRUE(rig.written().empty());
    rig.apply({1});
    rig.apply({1, 2});
    const auto written = rig.written();
    ASSERT_EQ(written.size(), 1u);
    std::vector<uint8_t> request(33, 0);
    request[1] = 10;
    request[2] = 2;
    EXPECT_EQ(written[0], request);
}

TEST(ArdoHandler, VersionReplySelectsPerPresetSliders) {
    HandlerRig rig(kModelArdo);
    rig.assign(2, kControlSlider, SlideCc(0, 1)).apply({2});
    auto& ardo = static_cast<QmtArdoControllerHandler&>(*rig.handler);
    // 1.3 is not newer than 1.3: the old slider bytes stay in use.
    rig.feed(ReportBytes(65).u8(1, 10).u8(2, 4).u8(3, 1).u8(4, 3));
    EXPECT_FALSE(ardo.firmwareNewerThan13());
    rig.feed(ReportBytes(65).u8(1, 10).u8(2, 4).u8(3, 1).u8(4, 6));
    EXPECT_TRUE(ardo.firmwareNewerThan13());
    EXPECT_TRUE(ardo.firmwareNewerThan15());
    // Deck bit 1: the first preset (slot 2) is live and reads bytes 45-46.
    rig.feed(ArdoReport().deck(1));
    rig.feed(ArdoReport().deck(1).oldSlider(65535).secondSlider(65535));
    EXPECT_TRUE(rig.take().empty());
    rig.feed(ArdoReport().deck(1).firstSlider(65535));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 1, 127)}));
}

TEST(ArdoHandler, DeckBitChoosesTheLivePreset) {
    HandlerRig rig(kModelArdo);
    rig.assign(2, kControlPlay, TriggerNote(60, 2))
        .assign(1, kControlPlay, TriggerNote(60, 1))
        .apply({1, 2});
    rig.feed(ArdoReport().deck(1));
    rig.feed(ArdoReport().deck(1).press(kControlPlay));  // bit set: the higher slot's preset
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(2, 60, 127)}));
    // Switching decks while the button is down releases the preset that stops being live
    // and presses the one that becomes live.
    rig.feed(ArdoReport().deck(0).press(kControlPlay));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(2, 60, 0), NoteOn(1, 60, 127)}));
    rig.feed(ArdoReport().deck(0));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(1, 60, 0)}));
}

TEST(ArdoHandler, FlippingTheDeckAloneSendsNothingAndKnobsDoNotJump) {
    HandlerRig rig(kModelArdo);
    rig.assign(2, kControlGainLeft, SlideCc(2, 7)).assign(1, kControlGainLeft, SlideCc(1, 7));
    rig.assign(2, kControlNeWheel, RotateInc(20))
        .assign(1, kControlNeWheel, RotateInc(20))
        .apply({1, 2});
    rig.feed(ArdoReport().deck(1).knob(kControlGainLeft, 1000));
    // Deck 0 live (slot 1): the knob and the small wheel move for it only.
    rig.feed(ArdoReport().deck(0).knob(kControlGainLeft, 1000));
    EXPECT_TRUE(rig.take().empty());
    rig.feed(ArdoReport().deck(0).knob(kControlGainLeft, 60000).smallWheel(0, 3));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 20, 3), Cc(1, 7, 117)}));
    // Back to slot 2's preset: neither the knob nor the wheel catch up with a jump.
    rig.feed(ArdoReport().deck(1).knob(kControlGainLeft, 60000).smallWheel(0, 3));
    EXPECT_TRUE(rig.take().empty());
    rig.feed(ArdoReport().deck(1).knob(kControlGainLeft, 0).smallWheel(0, 1));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 20, 1), Cc(2, 7, 0)}));
}

TEST(ArdoHandler, SmallWheelCountersWrap) {
    HandlerRig rig(kModelArdo);
    rig.assign(1, kControlNeWheel, RotateInc(20)).apply({1});
    rig.feed(ArdoReport().smallWheel(0, 250));
    rig.feed(ArdoReport().smallWheel(0, 4));  // +10 across the wrap
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 20, 10)}));
    rig.feed(ArdoReport().smallWheel(0, 254));  // -6
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 20, 4)}));
}

TEST(ArdoHandler, TouchpadModeAfterStartAndStopOfTheReader) {
    HandlerRig rig(kModelArdo);
    rig.apply({1});
    rig.written();
    auto mode = [&] {
        const auto w = rig.written();
        EXPECT_EQ(w.size(), 1u);
        EXPECT_EQ(w.at(0)[1], 5);
        EXPECT_EQ(w.at(0)[2], 3);
        return w.at(0)[3];
    };
    rig.handler->StartReader();
    EXPECT_EQ(mode(), 1);  // no touch-pad assignments: the pad stays the controller's
    rig.handler->StopReader();
    EXPECT_EQ(mode(), 1);
    rig.assign(2, 41, TriggerNote(5)).apply({1, 2});  // "Touchpad right" in the other preset
    rig.handler->StartReader();
    EXPECT_EQ(mode(), 0);
    rig.handler->StopReader();
    EXPECT_EQ(mode(), 1);
    // Stopping a reader that is not running sends nothing more.
    rig.handler->StopReader();
    EXPECT_TRUE(rig.written().empty());
}

// Spins the wheel with the device clock 10 ms (100000 units) apart per report.
struct ArdoSpinner {
    HandlerRig& rig;
    uint32_t deviceTime = 0;
    int64_t ms = 1000;
    void spin(int16_t movement, bool touched, bool play = false) {
        ArdoReport r;
        r.wheel(movement).time(deviceTime += 20000);
        if (touched) r.press(kControlWheelTop);
        if (play) r.press(kControlPlay);
        rig.feedAt(ms += 2, r);
    }
};

TEST(ArdoHandler, WheelTopHoldDecaysInTheIdleStepWithoutReports) {
    HandlerRig rig(kModelArdo);
    rig.assign(1, kControlPlay, Modified(TriggerNote(70), kControlWheelTop))
        .assign(1, kControlPlay, TriggerNote(60));
    rig.apply({1});
    ArdoSpinner s{rig};
    s.spin(0, false);
    for (int n = 0; n < 20; ++n)
        s.spin(20, true);
    s.spin(20, false);
    rig.clock.set(Ms(s.ms + 1));
    rig.handler->IdleStep();  // shortly after the last report: still spinning fast
    s.spin(20, false, true);
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 70, 127)}));
    s.spin(20, false);
    // No reports: the decayed speed falls under the threshold and the hold ends.
    rig.clock.set(Ms(s.ms + 50));
    rig.handler->IdleStep();
    s.spin(0, false, true);
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 70, 0), NoteOn(0, 60, 127)}));
}

TEST(ArdoHandler, IdleStepRunsAutoRepeatAndReleaseTimeouts) {
    HandlerRig rig(kModelArdo);
    const Message down = Msg(kMsgNote, 0).number(50).value(100);
    const Message up = Msg(kMsgNote, 0).number(50).value(0);
    rig.assign(1, kControlPlay, Assign(kAutoRepeat, down, up).intervalMs(100));
    rig.assign(1, kControlCue, Modified(TriggerNote(71), kControlPlay, 200))
        .assign(1, kControlCue, TriggerNote(61));
    rig.apply({1});
    rig.feedAt(1000, ArdoReport());
    rig.handler->IdleStep();
    rig.feedAt(1010, ArdoReport().press(kControlPlay));
    EXPECT_TRUE(rig.take().empty());
    rig.clock.set(Ms(1110));
    rig.handler->IdleStep();
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 50, 100), NoteOn(0, 50, 0)}));
    rig.feedAt(1120, ArdoReport());
    // "Play" let go at 1120; as a modifier it is held 200 ms more, also without reports.
    rig.clock.set(Ms(1300));
    rig.handler->IdleStep();
    rig.feedAt(1310, ArdoReport().press(kControlCue));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 71, 127)}));
    rig.feedAt(1320, ArdoReport());
    rig.take();
    rig.clock.set(Ms(1400));
    rig.handler->IdleStep();
    rig.feedAt(1410, ArdoReport().press(kControlCue));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 61, 127)}));
}

TEST(ArdoHandler, IdleStepDoesNothingBeforeThePresetsAreLive) {
    HandlerRig rig(kModelArdo);
    const Message down = Msg(kMsgNote, 0).number(50).value(100);
    rig.assign(1, kControlPlay, Assign(kAutoRepeat, down, down).intervalMs(10)).apply({1});
    rig.clock.advanceMs(100);
    rig.handler->IdleStep();
    EXPECT_TRUE(rig.take().empty());
}

TEST(ArdoRawHandler, SelectorPositionsPressTheSelectorButtons) {
    HandlerRig rig(kModelArdoRaw);
    for (uint8_t control = 84; control <= 87; ++control)
        rig.assign(6, control, TriggerNote(control));
    rig.apply({6});
    rig.feed(ArdoRawReport().deck(1));
    rig.feed(ArdoRawReport().deck(1).selector(0));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 87, 127)}));  // "Selector 4"
    rig.feed(ArdoRawReport().deck(1).selector(3));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 84, 127), NoteOn(0, 87, 0)}));
    rig.feed(ArdoRawReport().deck(1).selector(9));  // not a position: nothing pressed
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 84, 0)}));
}

TEST(ArdoRawHandler, EndlessKnobsBecomePositionsPerPreset) {
    HandlerRig rig(kModelArdoRaw);
    rig.assign(5, kControlGainLeft, SlideCc(0, 7, 4096))
        .assign(6, kControlGainLeft, SlideCc(1, 7, 4096));
    rig.apply({5, 6});
    rig.feed(ArdoRawReport().deck(0));
    rig.feed(ArdoRawReport().deck(0).knobCounter(0, 2));  // 32767 + 2 * 910
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 7, (32767 + 1820) >> 9)}));
    rig.feed(ArdoRawReport().deck(0).knobCounter(0, 200));  // -58 detents: clamps at 0
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 7, 0)}));
    // The other preset's knob did not move and starts from the middle.
    rig.feed(ArdoRawReport().deck(1).knobCounter(0, 200));
    rig.feed(ArdoRawReport().deck(1).knobCounter(0, 199));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(1, 7, (32767 - 910) >> 9)}));
}

TEST(ArdoRawHandler, KnobTurnsSmallerThanTheThresholdAddUp) {
    HandlerRig rig(kModelArdoRaw);
    rig.assign(6, kControlGainLeft, SlideCc(0, 7, 4096 * 2000)).apply({6});
    rig.feed(ArdoRawReport().deck(1));
    rig.feed(ArdoRawReport().deck(1).knobCounter(0, 1));
    rig.feed(ArdoRawReport().deck(1).knobCounter(0, 2));
    EXPECT_TRUE(rig.take().empty());
    rig.feed(ArdoRawReport().deck(1).knobCounter(0, 3));  // 2730 from the start: one step
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{Cc(0, 7, (32767 + 2730) >> 9)}));
}

TEST(ArdoRawHandler, PadsSendOnChangeOnly) {
    HandlerRig rig(kModelArdoRaw);
    const Message pad = Msg(kMsgNote, 3).number(36);
    rig.assign(6, 71, Assign(kPress, pad, pad)).apply({6});  // "NE velocity pad" is first
    rig.feed(ArdoRawReport().deck(1).pad(0, 1024));          // pressed already: nothing at start
    rig.feed(ArdoRawReport().deck(1).pad(0, 1024));
    EXPECT_TRUE(rig.take().empty());
    rig.feed(ArdoRawReport().deck(1).pad(0, 0));
    rig.feed(ArdoRawReport().deck(1));  // released
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(3, 36, 127), NoteOn(3, 36, 0)}));
}

TEST(ArdoRawHandler, ReportsNeedTheirIdentifyingBytes) {
    HandlerRig rig(kModelArdoRaw);
    rig.assign(6, kControlPlay, TriggerNote(60)).apply({6});
    rig.feed(ArdoRawReport().deck(1));
    rig.feed(ArdoRawReport().deck(1).press(kControlPlay).u8(2, 52));
    rig.feed(ArdoRawReport().deck(1).press(kControlPlay).u8(1, 10).u8(2, 4));
    EXPECT_TRUE(rig.take().empty());
}

TEST(ArdoRawProto2009Handler, SelectorSendsTheAssignmentAtItsPosition) {
    HandlerRig rig(kModelArdoRawProto2009);
    rig.assign(
        4, 75,
        Assign(kRotate, Msg(kMsgProgramChange, 0).value(10), Msg(kMsgProgramChange, 0).value(11)));
    rig.assign(
        4, 75,
        Assign(kRotate, Msg(kMsgProgramChange, 0).value(20), Msg(kMsgProgramChange, 0).value(21)));
    rig.apply({4});
    rig.feed(ProtoReport().deck(1).selector(0));
    rig.feed(ProtoReport().deck(1).selector(0));
    EXPECT_TRUE(rig.take().empty());
    rig.feed(ProtoReport().deck(1).selector(1));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{{0xC0, 20}, {0xC0, 21}}));
    rig.feed(ProtoReport().deck(1).selector(7));  // no assignment there
    rig.feed(ProtoReport().deck(1).selector(0));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{{0xC0, 10}, {0xC0, 11}}));
}

TEST(ArdoRawProto2009Handler, LayoutOfPositionsPadsAndButtons) {
    HandlerRig rig(kModelArdoRawProto2009);
    const Message pad = Msg(kMsgNote, 0).number(40);
    rig.assign(3, 58, SlideCc(0, 8, 4096)).assign(3, 74, SlideCc(0, 9, 4096));
    rig.assign(3, 70, Assign(kPress, pad, pad)).assign(3, 76, TriggerNote(76));
    rig.assign(3, 61, RotateInc(21)).apply({3});
    rig.feed(ProtoReport());
    // Crossfader is the fifth position (bits 0-1 cleared), "NW velocity pad" the fourth
    // pad, "E" bit 5, "SE wheel" the second counter.
    rig.feed(
        ProtoReport().position(4, 0xFFFF).slider2(1024).pad(3, 512).press(76).smallWheel(1, 2));
    EXPECT_EQ(rig.take(), (std::vector<Bytes>{NoteOn(0, 76, 127), Cc(0, 21, 2), Cc(0, 9, 2),
                                              Cc(0, 8, 127), NoteOn(0, 40, 126)}));
}

}  // namespace
}  // namespace qmt::test
