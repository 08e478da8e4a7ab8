// Relative controls: every kind, the six encodings, accumulation, "Omni" marking and the
// two-pass handling of a rotary control's assignments.

#include <gtest/gtest.h>

#include "tests/engine/EngineFixture.h"

namespace qmt::test {
namespace {

using Sent = std::vector<Bytes>;
constexpr int32_t kStep = 100;  // threshold: movement per step

Assignment Rotary(Message cw, Message ccw) {
    return Assign(kRotate, cw, ccw);
}
Assignment Rotary(Message both) {
    return Assign(kRotate, both, both);
}

Message Cc(uint8_t channel, uint8_t encoding, uint8_t controller = 16) {
    return Msg(kMsgControlChange, channel).number(controller).encoding(encoding).threshold(kStep);
}

class RotateTest : public EngineTest {
  protected:
    Sent Turn(Assignment& a, int32_t movement, bool expectStep) {
        EXPECT_EQ(engine.RotateEvent(a, movement, 5), expectStep) << "movement " << movement;
        return Take();
    }
};

struct EncodingCase {
    uint8_t encoding;
    uint8_t plusOne, minusOne, plusMany, minusMany;           // 7-bit values for +1, -1, +200, -200
    uint16_t plusOne14, minusOne14, plusMany14, minusMany14;  // 14-bit, +/-20000 steps
};

// The values follow the encodings' names: "3Fh : 41h" sends 3Fh for one step
// counter-clockwise and 41h for one clockwise.
constexpr EncodingCase kEncodings[] = {
    {kEnc3F41, 0x41, 0x3F, 127, 0, 8193, 8191, 16383, 0},
    {kEnc3F40, 0x40, 0x3F, 127, 0, 8192, 8191, 16383, 0},
    {kEnc7F01, 0x01, 0x7F, 63, 64, 1, 16383, 8191, 8192},
    {kEnc7F00, 0x00, 0x7F, 63, 64, 0, 16383, 8191, 8192},
    {kEnc4041, 0x41, 0x40, 127, 0, 8193, 8192, 16383, 0},
    {kEnc0001, 0x01, 0x00, 63, 64, 1, 0, 8191, 8192},
};

TEST_F(RotateTest, ControlChangeEncodingsForOneAndManySteps) {
    for (const EncodingCase& c : kEncodings) {
        SCOPED_TRACE(int{c.encoding});
        Assignment a = Rotary(Cc(3, c.encoding));
        EXPECT_EQ(Turn(a, kStep, true), (Sent{{0xB3, 16, c.plusOne}}));
        EXPECT_EQ(Turn(a, -kStep, true), (Sent{{0xB3, 16, c.minusOne}}));
        EXPECT_EQ(Turn(a, 200 * kStep, true), (Sent{{0xB3, 16, c.plusMany}}));
        EXPECT_EQ(Turn(a, -200 * kStep, true), (Sent{{0xB3, 16, c.minusMany}}));
        EXPECT_EQ(a.accumulator, 0);
    }
}

TEST_F(RotateTest, ProgramChangeUsesTheSameEncodings) {
    for (const EncodingCase& c : kEncodings) {
        SCOPED_TRACE(int{c.encoding});
        Assignment a = Rotary(Msg(kMsgProgramChange, 1).encoding(c.encoding).threshold(kStep));
        EXPECT_EQ(Turn(a, kStep, true), (Sent{{0xC1, c.plusOne}}));
        EXPECT_EQ(Turn(a, -200 * kStep, true), (Sent{{0xC1, c.minusMany}}));
        EXPECT_EQ(state.programs[1], c.minusMany);
    }
}

TEST_F(RotateTest, HiResEncodesFourteenBitsIntoThePair) {
    for (const EncodingCase& c : kEncodings) {
        SCOPED_TRACE(int{c.encoding});
        Assignment a =
            Rotary(Msg(kMsgHiResControlChange, 0).number(2).encoding(c.encoding).threshold(kStep));
        for (auto [steps, value] :
             {std::pair{1, c.plusOne14}, std::pair{-1, c.minusOne14},
              std::pair{20000, c.plusMany14}, std::pair{-20000, c.minusMany14}}) {
            const uint8_t high = value >> 7, low = value & 0x7F;
            EXPECT_EQ(Turn(a, steps * kStep, true), (Sent{{0xB0, 2, high}, {0xB0, 34, low}}));
            EXPECT_EQ(state.controllers[0][2], high);
            EXPECT_EQ(state.controllers[0][34], low);
        }
    }
}

TEST_F(RotateTest, NeutralValueIsSentOnceOnStopForEncodingsZeroAndTwo) {
    Assignment twos = Rotary(Cc(0, kEnc7F01));
    EXPECT_EQ(Turn(twos, kStep, true), (Sent{{0xB0, 16, 0x01}}));
    EXPECT_EQ(Turn(twos, 0, false), (Sent{{0xB0, 16, 0x00}}));
    EXPECT_TRUE(Turn(twos, 0, false).empty());

    Assignment offset = Rotary(Cc(1, kEnc3F41));
    EXPECT_EQ(Turn(offset, -kStep, true), (Sent{{0xB1, 16, 0x3F}}));
    EXPECT_EQ(Turn(offset, 40, false), (Sent{{0xB1, 16, 0x40}}));
    EXPECT_TRUE(Turn(offset, 0, false).empty());

    for (uint8_t encoding : {kEnc3F40, kEnc7F00, kEnc4041, kEnc0001}) {
        Assignment quiet = Rotary(Cc(2, encoding));
        Turn(quiet, kStep, true);
        EXPECT_TRUE(Turn(quiet, 0, false).empty()) << int{encoding};
    }
}

TEST_F(RotateTest, MovementAccumulatesAndTruncatesTowardZero) {
    Assignment a = Rotary(Cc(0, kEnc3F40));
    EXPECT_TRUE(Turn(a, 60, false).empty());
    EXPECT_EQ(a.accumulator, 60);
    EXPECT_EQ(Turn(a, 60, true), (Sent{{0xB0, 16, 0x40}}));
    EXPECT_EQ(a.accumulator, 20);
    EXPECT_EQ(Turn(a, -170, true), (Sent{{0xB0, 16, 0x3F}}));  // -150: one step
    EXPECT_EQ(a.accumulator, -50);
    // Steps beyond the 7-bit range are dropped, not carried.
    Turn(a, 1000 * kStep + 50, true);
    EXPECT_EQ(a.accumulator, 0);
}

TEST_F(RotateTest, DirectionPicksTheMessageAndInvertedSwapsIt) {
    Assignment a = Rotary(Cc(0, kEnc7F01, 1), Cc(0, kEnc7F01, 2));
    EXPECT_EQ(Turn(a, kStep, true), (Sent{{0xB0, 1, 1}}));
    EXPECT_EQ(Turn(a, -kStep, true), (Sent{{0xB0, 2, 127}}));
    a.inverted = true;
    EXPECT_EQ(Turn(a, kStep, true), (Sent{{0xB0, 2, 127}}));
    EXPECT_EQ(Turn(a, -kStep, true), (Sent{{0xB0, 1, 1}}));
}

TEST_F(RotateTest, NotesPlayOnePerCall) {
    Assignment a = Rotary(Msg(kMsgNote, 4).number(60).value(90).threshold(kStep));
    const Sent note{{0x94, 60, 90}, {0x84, 60, 90}};
    EXPECT_EQ(Turn(a, 250, true), note);
    EXPECT_EQ(a.accumulator, 150);
    EXPECT_EQ(Turn(a, 0, true), note);
    EXPECT_TRUE(Turn(a, 0, false).empty());
    EXPECT_EQ(a.accumulator, 50);
    EXPECT_EQ(Turn(a, -150, true), note);  // -100 reaches the threshold backwards
    EXPECT_EQ(a.accumulator, 0);

    Assignment touch = Rotary(Msg(kMsgAftertouch, 0).number(61).value(5).threshold(kStep));
    EXPECT_EQ(Turn(touch, -kStep, true), (Sent{{0xA0, 61, 5}}));
}

TEST_F(RotateTest, IncrementalKindsAddTheStepCount) {
    Assignment cc = Rotary(Msg(kMsgControlChangeInc, 0).number(7).range(10, 20).threshold(kStep));
    EXPECT_EQ(Turn(cc, 3 * kStep + 10, true), (Sent{{0xB0, 7, 10}}));  // 0 + 3 clamped to min
    EXPECT_EQ(cc.accumulator, 10);
    EXPECT_EQ(Turn(cc, 9 * kStep, true), (Sent{{0xB0, 7, 19}}));
    EXPECT_EQ(Turn(cc, 9 * kStep, true), (Sent{{0xB0, 7, 20}}));
    EXPECT_TRUE(Turn(cc, 50, false).empty());

    Assignment program = Rotary(Msg(kMsgProgramChangeInc, 2).range(0, 127).threshold(kStep));
    state.programs[2] = 5;
    EXPECT_EQ(Turn(program, -2 * kStep, true), (Sent{{0xC2, 3}}));

    Assignment hires =
        Rotary(Msg(kMsgHiResControlChangeInc, 0).number(1).range(0, 16383).threshold(kStep));
    state.controllers[0][1] = 1;
    state.controllers[0][33] = 127;  // 255
    EXPECT_EQ(Turn(hires, kStep, true), (Sent{{0xB0, 1, 2}, {0xB0, 33, 0}}));
}

TEST_F(RotateTest, PitchWheelCountsInHundredTwentyEighthsOfTheThreshold) {
    Assignment a = Rotary(Msg(kMsgPitchWheel, 0).encoding(kEnc3F41).threshold(1280));
    // 1280 of movement is 128 steps: 8192 + 128 = 8320.
    EXPECT_EQ(Turn(a, 1280, true), (Sent{{0xE0, 8320 & 0x7F, 8320 >> 7}}));
    EXPECT_EQ(state.pitch[0], 8320 * 4096);
    // 15 of movement is 1.5 steps: one is sent, half a step (10/128 of movement) stays.
    EXPECT_EQ(Turn(a, 15, true), (Sent{{0xE0, 8193 & 0x7F, 8193 >> 7}}));
    EXPECT_EQ(a.accumulator, 5);
    // The rest is below a step: the neutral value goes out once.
    EXPECT_EQ(Turn(a, 0, false), (Sent{{0xE0, 0, 64}}));
    EXPECT_TRUE(Turn(a, 0, false).empty());
    // Large movements clamp to the 14-bit range.
    EXPECT_EQ(Turn(a, -1000000, true), (Sent{{0xE0, 0, 0}}));
}

TEST_F(RotateTest, PitchWheelWithoutNeutralValueSendsOnlySteps) {
    Assignment a = Rotary(Msg(kMsgPitchWheel, 0).encoding(kEnc7F00).threshold(128));
    EXPECT_EQ(Turn(a, 1, true), (Sent{{0xE0, 0, 0}}));       // one step, corrected to 0
    EXPECT_EQ(Turn(a, -2, true), (Sent{{0xE0, 126, 127}}));  // 16384 - 2
    EXPECT_TRUE(Turn(a, 0, false).empty());
}

TEST_F(RotateTest, PitchIncrementMovesInProportionOnceThresholdIsReached) {
    Assignment a = Rotary(Msg(kMsgPitchWheelInc, 0).range(0, 16383).threshold(kStep));
    EXPECT_TRUE(Turn(a, 50, false).empty());
    EXPECT_EQ(a.accumulator, 50);
    // 110 of movement adds 110 * 128 / 100 = 140.8 pitch units.
    EXPECT_EQ(Turn(a, 60, true), (Sent{{0xE0, 140 & 0x7F, 140 >> 7}}));
    EXPECT_EQ(state.pitch[0], 110 * 128 * 4096 / 100);
    EXPECT_EQ(a.accumulator, 0);
    EXPECT_EQ(Turn(a, -kStep * 1000, true), (Sent{{0xE0, 0, 0}}));
    EXPECT_EQ(state.pitch[0], 0);
}

TEST_F(RotateTest, ChannelModeAndExtendedFireOncePerCrossing) {
    Assignment mode = Rotary(Msg(kMsgChannelMode, 0).value(1).threshold(kStep));
    EXPECT_TRUE(Turn(mode, 99, false).empty());
    EXPECT_EQ(Turn(mode, 500, true), (Sent{{0xB0, 120, 0}}));
    EXPECT_EQ(mode.accumulator, 0);

    Assignment sysex = Rotary(Msg(kMsgExtended, 0).bytes({0xF0, 0x01, 0xF7}).threshold(kStep));
    EXPECT_EQ(Turn(sysex, -kStep, true), (Sent{{0xF0, 0x01, 0xF7}}));
}

TEST_F(RotateTest, SilentKindsAndMissingThresholdsDropTheMovement) {
    Assignment key = Rotary(Msg(kMsgKey, 0).threshold(kStep));
    EXPECT_TRUE(Turn(key, 5 * kStep, false).empty());
    EXPECT_EQ(key.accumulator, 0);
    Assignment broken = Rotary(Msg(kMsgControlChange, 0).number(1));  // threshold 0
    EXPECT_TRUE(Turn(broken, 5 * kStep, false).empty());
    EXPECT_EQ(broken.accumulator, 0);
}

TEST_F(RotateTest, OmniMarksOnlyTheChannelsWhoseValueIsDue) {
    Assignment a = Rotary(Cc(kChannelOmni, kEnc7F01));
    EXPECT_TRUE(engine.RotateEvent(a, kStep, 5));
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].op, SinkOp::Marked);
    EXPECT_EQ(Take().size(), 16u);
    // Channel 3 was changed by something else to the neutral value already.
    state.controllers[3][16] = 0;
    EXPECT_FALSE(engine.RotateEvent(a, 0, 5));
    ASSERT_EQ(sink.calls.size(), 1u);
    ChannelMask expected;
    expected.fill(true);
    expected[3] = false;
    EXPECT_EQ(sink.calls[0].marked, expected);
    Take();
    EXPECT_FALSE(engine.RotateEvent(a, 0, 5));
    EXPECT_TRUE(sink.calls.empty());
}

TEST_F(RotateTest, OmniIncrementContinuesPerChannel) {
    Assignment a =
        Rotary(Msg(kMsgControlChangeInc, kChannelOmni).number(7).range(0, 127).threshold(kStep));
    state.controllers[9][7] = 50;
    Turn(a, kStep, true);
    EXPECT_EQ(state.controllers[0][7], 1);
    EXPECT_EQ(state.controllers[9][7], 51);
}

class RotaryEventsTest : public RotateTest {
  protected:
    AssignmentList list{Rotary(Cc(0, kEnc7F00, 1)), Rotary(Cc(0, kEnc7F00, 2))};

    void SetUp() override {
        list[1].modifier = 10;
        for (Assignment& a : list)
            a.accumulator = 40;
    }
};

TEST_F(RotaryEventsTest, EligibleModifierAssignmentTakesTheControl) {
    held[10] = true;
    engine.RotaryEvents(list, Kv(Ms(7)), kStep);
    EXPECT_EQ(Take(), (Sent{{0xB0, 2, 0}}));
    EXPECT_EQ(list[1].lastActivation, Ms(7));
    EXPECT_EQ(list[0].accumulator, 0);  // the plain one forgets its partial movement
}

TEST_F(RotaryEventsTest, PlainAssignmentActsWhenNoModifierIsHeld) {
    engine.RotaryEvents(list, Kv(Ms(7)), 2 * kStep);
    EXPECT_EQ(Take(), (Sent{{0xB0, 1, 1}}));
    EXPECT_EQ(list[1].accumulator, 0);
    EXPECT_EQ(list[0].accumulator, 40);
}

TEST_F(RotaryEventsTest, ArdoPresetThatIsNotLiveOnlyClears) {
    held[10] = true;
    engine.RotaryEvents(list, Ardo(Ms(7), false), 5 * kStep);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(list[0].accumulator, 0);
    EXPECT_EQ(list[1].accumulator, 0);
}

}  // namespace
}  // namespace qmt::test
