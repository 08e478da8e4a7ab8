// Absolute controls: thresholds, every kind's value, inversion and position tracking.

#include <gtest/gtest.h>

#include "tests/engine/EngineFixture.h"

namespace qmt::test {
namespace {

using Sent = std::vector<Bytes>;
constexpr int32_t kPos = 4096;  // one position unit in accumulator units

Assignment Slider(Message up, Message down) {
    return Assign(kSlide, up, down);
}
Assignment Slider(Message both) {
    return Assign(kSlide, both, both);
}

class SlideTest : public EngineTest {
  protected:
    Sent Move(Assignment& a, uint16_t position, bool expectSent) {
        EXPECT_EQ(engine.SlideEvent(a, position, 5), expectSent) << "position " << position;
        return Take();
    }
};

TEST_F(SlideTest, HiResSliderFromBottomToTopEndsAtFullScale) {
    Assignment a = Slider(Msg(kMsgHiResControlChange, 0).number(1).threshold(kPos));
    EXPECT_EQ(Move(a, 65535, true), (Sent{{0xB0, 1, 127}, {0xB0, 33, 127}}));
    EXPECT_EQ(Move(a, 32768, true), (Sent{{0xB0, 1, 64}, {0xB0, 33, 0}}));
    EXPECT_EQ(state.controllers[0][1], 64);
}

TEST_F(SlideTest, ThresholdDecidesWhenTheValueIsSent) {
    Assignment a = Slider(Msg(kMsgControlChange, 2).number(7).threshold(512 * kPos));
    EXPECT_TRUE(Move(a, 511, false).empty());
    EXPECT_EQ(Move(a, 1024, true), (Sent{{0xB2, 7, 2}}));
    EXPECT_EQ(a.accumulator, 1024 * kPos);
    EXPECT_TRUE(Move(a, 1024 - 511, false).empty());
    EXPECT_EQ(Move(a, 0, true), (Sent{{0xB2, 7, 0}}));
}

TEST_F(SlideTest, DirectionPicksUpOrDownMessage) {
    Assignment a = Slider(Msg(kMsgControlChange, 0).number(1).threshold(kPos),
                          Msg(kMsgControlChange, 0).number(2).threshold(kPos));
    EXPECT_EQ(Move(a, 40000, true), (Sent{{0xB0, 1, 40000 >> 9}}));
    EXPECT_EQ(Move(a, 1000, true), (Sent{{0xB0, 2, 1000 >> 9}}));
}

TEST_F(SlideTest, EveryKindsValueFromThePosition) {
    const uint16_t p = 40000;
    const uint8_t msb = p >> 9, lsb = (p >> 2) & 0x7F;
    auto moved = [&](Message m) {
        m.threshold = kPos;
        Assignment a = Slider(m);
        return Move(a, p, true);
    };
    EXPECT_EQ(moved(Msg(kMsgControlChange, 0).number(3)), (Sent{{0xB0, 3, msb}}));
    EXPECT_EQ(moved(Msg(kMsgControlChangeInc, 0).number(3).range(10, 20)),
              (Sent{{0xB0, 3, 10 + ((p * 10) >> 16)}}));
    EXPECT_EQ(moved(Msg(kMsgProgramChange, 1)), (Sent{{0xC1, msb}}));
    EXPECT_EQ(moved(Msg(kMsgProgramChangeInc, 1).range(100, 127)),
              (Sent{{0xC1, 100 + ((p * 27) >> 16)}}));
    EXPECT_EQ(moved(Msg(kMsgPitchWheel, 2)), (Sent{{0xE2, lsb, msb}}));
    EXPECT_EQ(state.pitch[2], (p / 4) * 4096);
    const int v = (p * 16383) >> 16;
    EXPECT_EQ(moved(Msg(kMsgPitchWheelInc, 3).range(0, 16383)),
              (Sent{{0xE3, static_cast<uint8_t>(v & 0x7F), static_cast<uint8_t>(v >> 7)}}));
    EXPECT_EQ(state.pitch[3], v * 4096);
    EXPECT_EQ(moved(Msg(kMsgHiResControlChange, 0).number(4)),
              (Sent{{0xB0, 4, msb}, {0xB0, 36, lsb}}));
    const int w = 1000 + ((p * 2000) >> 16);
    EXPECT_EQ(moved(Msg(kMsgHiResControlChangeInc, 0).number(5).range(1000, 3000)),
              (Sent{{0xB0, 5, static_cast<uint8_t>(w >> 7)},
                    {0xB0, 37, static_cast<uint8_t>(w & 0x7F)}}));
    EXPECT_EQ(moved(Msg(kMsgChannelMode, 0).value(0)), (Sent{{0xB0, 123, 0}}));
    EXPECT_EQ(moved(Msg(kMsgExtended, 0).bytes({0xF0, 0xF7})), (Sent{{0xF0, 0xF7}}));
}

TEST_F(SlideTest, NotesStepOneThresholdPerCall) {
    Assignment a = Slider(Msg(kMsgNote, 0).number(60).value(100).threshold(1000 * kPos),
                          Msg(kMsgNote, 0).number(59).value(100).threshold(1000 * kPos));
    const Sent up{{0x90, 60, 100}, {0x80, 60, 100}};
    EXPECT_EQ(Move(a, 2500, true), up);
    EXPECT_EQ(Move(a, 2500, true), up);
    EXPECT_TRUE(Move(a, 2500, false).empty());
    EXPECT_EQ(a.accumulator, 2000 * kPos);
    EXPECT_EQ(Move(a, 0, true), (Sent{{0x90, 59, 100}, {0x80, 59, 100}}));
    EXPECT_EQ(a.accumulator, 1000 * kPos);

    Assignment touch = Slider(Msg(kMsgAftertouch, 0).number(1).value(2).threshold(kPos));
    EXPECT_EQ(Move(touch, 10, true), (Sent{{0xA0, 1, 2}}));
}

TEST_F(SlideTest, InvertedReversesThePosition) {
    Assignment a = Assign(kSlide, Msg(kMsgControlChange, 0).number(1).threshold(kPos),
                          Msg(kMsgControlChange, 0).number(2).threshold(kPos))
                       .inverted();
    // Position 0 inverted is the top: moving there is an upward move.
    EXPECT_EQ(Move(a, 0, true), (Sent{{0xB0, 1, 127}}));
    EXPECT_EQ(Move(a, 65535, true), (Sent{{0xB0, 2, 0}}));
}

TEST_F(SlideTest, SilentKindsFollowThePosition) {
    Assignment key = Slider(Msg(kMsgKey, 0).threshold(kPos));
    EXPECT_TRUE(Move(key, 3000, false).empty());
    EXPECT_EQ(key.accumulator, 3000 * kPos);
    Assignment broken = Slider(Msg(kMsgNote, 0).number(1));  // threshold 0
    EXPECT_TRUE(Move(broken, 3000, false).empty());
    EXPECT_TRUE(Move(broken, 3000, false).empty());
}

TEST_F(SlideTest, OmniSetsEveryChannel) {
    Assignment a = Slider(Msg(kMsgControlChange, kChannelOmni).number(1).threshold(kPos));
    engine.SlideEvent(a, 65535, 0);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].op, SinkOp::AllChannels);
    for (uint8_t c = 0; c < 16; ++c)
        EXPECT_EQ(state.controllers[c][1], 127);
}

class SlideEventsTest : public SlideTest {
  protected:
    AssignmentList list{Slider(Msg(kMsgControlChange, 0).number(1).threshold(kPos)),
                        Slider(Msg(kMsgControlChange, 0).number(2).threshold(kPos))};
    void SetUp() override { list[1].modifier = 10; }
};

TEST_F(SlideEventsTest, AssignmentsThatDoNotActTrackThePositionAndDoNotJump) {
    engine.SlideEvents(list, Kv(Ms(1)), 20000);
    EXPECT_EQ(Take(), (Sent{{0xB0, 1, 20000 >> 9}}));
    EXPECT_EQ(list[1].accumulator, 20000 * kPos);
    // The modifier is pressed without moving: the modified assignment has nothing to send.
    held[10] = true;
    engine.SlideEvents(list, Kv(Ms(2)), 20000);
    EXPECT_TRUE(Take().empty());
    engine.SlideEvents(list, Kv(Ms(3)), 30000);
    EXPECT_EQ(Take(), (Sent{{0xB0, 2, 30000 >> 9}}));
    EXPECT_EQ(list[1].lastActivation, Ms(3));
    EXPECT_EQ(list[0].accumulator, 30000 * kPos);
}

TEST_F(SlideEventsTest, ArdoPresetThatIsNotLiveOnlyTracks) {
    list[0].inverted = true;
    engine.SlideEvents(list, Ardo(Ms(1), false), 1000);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(list[0].accumulator, (65535 - 1000) * int64_t{kPos});
    engine.SlideEvents(list, Ardo(Ms(2), true), 1000);
    EXPECT_TRUE(Take().empty());
}

TEST_F(SlideEventsTest, TrackPositionHonoursInverted) {
    Assignment a = Assign(kSlide, Msg(kMsgControlChange, 0).number(1).threshold(kPos)).inverted();
    ActionEngine::TrackPosition(a, 100);
    EXPECT_TRUE(Move(a, 100, false).empty());
}

}  // namespace
}  // namespace qmt::test
