// Button messages: the bytes of every kind, "Omni", incremental clamping and 14-bit pairs.

#include <gtest/gtest.h>

#include "tests/engine/EngineFixture.h"

namespace qmt::test {
namespace {

class ButtonMessageTest : public EngineTest {
  protected:
    // Sends the first message of a one-message assignment and returns what went out.
    std::vector<Bytes> Send(const Message& message, int64_t now = 7) {
        engine.ButtonMessage(Assign(kTrigger, message), 0, now);
        return Take();
    }
};

TEST_F(ButtonMessageTest, FixedMessagesHaveTheirBytesAndTimeStamp) {
    EXPECT_EQ(Send(Msg(kMsgNote, 2).number(60).value(100)), (std::vector<Bytes>{{0x92, 60, 100}}));
    EXPECT_EQ(Send(Msg(kMsgAftertouch, 0).number(61).value(50)),
              (std::vector<Bytes>{{0xA0, 61, 50}}));
    EXPECT_EQ(Send(Msg(kMsgControlChange, 1).number(7).value(99)),
              (std::vector<Bytes>{{0xB1, 7, 99}}));
    EXPECT_EQ(Send(Msg(kMsgProgramChange, 3).value(12)), (std::vector<Bytes>{{0xC3, 12}}));
    EXPECT_EQ(Send(Msg(kMsgPitchWheel, 15).value(8192)), (std::vector<Bytes>{{0xEF, 0, 64}}));
    EXPECT_EQ(Send(Msg(kMsgPitchWheel, 0).value(16383)), (std::vector<Bytes>{{0xE0, 127, 127}}));

    engine.ButtonMessage(Assign(kTrigger, Msg(kMsgNote, 0).number(1).value(1)), 0, 123456);
    EXPECT_EQ(sink.times(), (std::vector<int64_t>{123456}));
}

TEST_F(ButtonMessageTest, SecondMessageIsChosenByWhich) {
    Assignment a = Assign(kTrigger, Msg(kMsgNote, 0).number(60).value(1),
                          Msg(kMsgNote, 1).number(62).value(0));
    engine.ButtonMessage(a, 1, 0);
    EXPECT_EQ(Take(), (std::vector<Bytes>{{0x91, 62, 0}}));
    engine.ButtonMessage(a, 2, 0);
    EXPECT_TRUE(Take().empty());
}

TEST_F(ButtonMessageTest, StatefulKindsUpdateTheState) {
    Send(Msg(kMsgControlChange, 1).number(7).value(99));
    Send(Msg(kMsgProgramChange, 3).value(12));
    Send(Msg(kMsgPitchWheel, 4).value(1000));
    Send(Msg(kMsgHiResControlChange, 5).number(1).value(300));
    EXPECT_EQ(state.controllers[1][7], 99);
    EXPECT_EQ(state.programs[3], 12);
    EXPECT_EQ(state.pitch[4], 1000 * 4096);
    EXPECT_EQ(state.controllers[5][1], 300 >> 7);
    EXPECT_EQ(state.controllers[5][33], 300 & 0x7F);
    // Nothing else moved.
    EXPECT_EQ(state.controllers[0][7], 0);
    EXPECT_EQ(state.programs[0], 0);
}

TEST_F(ButtonMessageTest, ChannelModeCommands) {
    EXPECT_EQ(Send(Msg(kMsgChannelMode, 2).value(0)), (std::vector<Bytes>{{0xB2, 123, 0}}));
    EXPECT_EQ(Send(Msg(kMsgChannelMode, 2).value(1)), (std::vector<Bytes>{{0xB2, 120, 0}}));
    EXPECT_EQ(Send(Msg(kMsgChannelMode, 2).value(2)),
              (std::vector<Bytes>{{0xB2, 123, 0}, {0xB2, 120, 0}}));
    EXPECT_TRUE(Send(Msg(kMsgChannelMode, 2).value(3)).empty());
    // Channel mode changes no stored controller value.
    EXPECT_EQ(state.controllers[2][123], 0);
}

TEST_F(ButtonMessageTest, ExtendedIsSentExactlyAndOnce) {
    const Bytes sysex{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(Send(Msg(kMsgExtended, kChannelOmni).bytes(sysex)), (std::vector<Bytes>{sysex}));
    EXPECT_TRUE(Send(Msg(kMsgExtended, 0)).empty());
    EXPECT_EQ(Send(Msg(kMsgExtended, 0).bytes(Bytes(255, 0xF8))).front().size(), 255u);
    EXPECT_TRUE(Send(Msg(kMsgExtended, 0).bytes(Bytes(256, 0xF8))).empty());
}

TEST_F(ButtonMessageTest, KeyAndNoneSendNothing) {
    EXPECT_TRUE(Send(Msg(kMsgKey, 0)).empty());
    EXPECT_TRUE(Send(Msg(kMsgNone, 0)).empty());
    EXPECT_TRUE(Send(Msg(14, 0).number(1).value(1)).empty());
}

TEST_F(ButtonMessageTest, HiResSendsTheControllerPair) {
    EXPECT_EQ(Send(Msg(kMsgHiResControlChange, 0).number(1).value(16383)),
              (std::vector<Bytes>{{0xB0, 1, 127}, {0xB0, 33, 127}}));
    EXPECT_EQ(Send(Msg(kMsgHiResControlChange, 9).number(31).value(300)),
              (std::vector<Bytes>{{0xB9, 31, 2}, {0xB9, 63, 44}}));
}

TEST_F(ButtonMessageTest, ControlChangeIncrementStopsAtMax) {
    state.controllers[0][10] = 95;
    const Message inc = Msg(kMsgControlChangeInc, 0).number(10).range(0, 100).step(10);
    EXPECT_EQ(Send(inc), (std::vector<Bytes>{{0xB0, 10, 100}}));
    EXPECT_EQ(Send(inc), (std::vector<Bytes>{{0xB0, 10, 100}}));
    EXPECT_EQ(state.controllers[0][10], 100);
}

TEST_F(ButtonMessageTest, IncrementsClampBeforeNarrowing) {
    // 100 + 100 would wrap to 72 in seven bits; -10 from 3 would wrap to 121.
    state.controllers[0][10] = 100;
    EXPECT_EQ(Send(Msg(kMsgControlChangeInc, 0).number(10).range(0, 127).step(100)),
              (std::vector<Bytes>{{0xB0, 10, 127}}));
    state.programs[0] = 3;
    EXPECT_EQ(Send(Msg(kMsgProgramChangeInc, 0).range(0, 127).step(-10)),
              (std::vector<Bytes>{{0xC0, 0}}));
    EXPECT_EQ(Send(Msg(kMsgProgramChangeInc, 0).range(5, 20).step(1)),
              (std::vector<Bytes>{{0xC0, 5}}));
}

TEST_F(ButtonMessageTest, HiResIncrementContinuesFromBothControllers) {
    state.controllers[0][1] = 2;
    state.controllers[0][33] = 44;  // 300
    EXPECT_EQ(Send(Msg(kMsgHiResControlChangeInc, 0).number(1).range(0, 16383).step(-1)),
              (std::vector<Bytes>{{0xB0, 1, 2}, {0xB0, 33, 43}}));
    // 299 + 16383 passes the 14-bit range: clamped to max, not wrapped to 298.
    EXPECT_EQ(Send(Msg(kMsgHiResControlChangeInc, 0).number(1).range(0, 16383).step(16383)),
              (std::vector<Bytes>{{0xB0, 1, 127}, {0xB0, 33, 127}}));
    EXPECT_EQ(Send(Msg(kMsgHiResControlChangeInc, 0).number(1).range(100, 200).step(-16383)),
              (std::vector<Bytes>{{0xB0, 1, 0}, {0xB0, 33, 100}}));
}

TEST_F(ButtonMessageTest, PitchIncrementWorksInStateUnits) {
    state.pitch[0] = 8192 * 4096;
    EXPECT_EQ(Send(Msg(kMsgPitchWheelInc, 0).range(0, 8200).step(100)),
              (std::vector<Bytes>{{0xE0, 8, 64}}));
    EXPECT_EQ(state.pitch[0], 8200 * 4096);
    EXPECT_EQ(Send(Msg(kMsgPitchWheelInc, 0).range(0, 16383).step(-16383)),
              (std::vector<Bytes>{{0xE0, 0, 0}}));
    EXPECT_EQ(state.pitch[0], 0);
}

TEST_F(ButtonMessageTest, OmniSendsOnceForAllChannelsAndSetsEveryState) {
    engine.ButtonMessage(Assign(kTrigger, Msg(kMsgControlChange, kChannelOmni).number(8).value(1)),
                         0, 0);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].op, SinkOp::AllChannels);
    const std::vector<Bytes> sent = Take();
    ASSERT_EQ(sent.size(), 16u);
    for (uint8_t c = 0; c < 16; ++c) {
        EXPECT_EQ(sent[c], (Bytes{static_cast<uint8_t>(0xB0 + c), 8, 1}));
        EXPECT_EQ(state.controllers[c][8], 1);
    }
    engine.ButtonMessage(Assign(kTrigger, Msg(kMsgChannelMode, kChannelOmni).value(2)), 0, 0);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].op, SinkOp::PairOnAllChannels);
    EXPECT_EQ(Take().size(), 32u);
}

TEST_F(ButtonMessageTest, OmniIncrementAdvancesEachChannelFromItsOwnState) {
    for (uint8_t c = 0; c < 16; ++c)
        state.programs[c] = c;
    engine.ButtonMessage(
        Assign(kTrigger, Msg(kMsgProgramChangeInc, kChannelOmni).range(0, 10).step(2)), 0, 0);
    ASSERT_EQ(sink.calls.size(), 16u);
    const std::vector<Bytes> sent = Take();
    for (uint8_t c = 0; c < 16; ++c) {
        const uint8_t expected = c + 2 > 10 ? 10 : c + 2;
        EXPECT_EQ(sent[c], (Bytes{static_cast<uint8_t>(0xC0 + c), expected}));
        EXPECT_EQ(state.programs[c], expected);
    }
}

TEST_F(ButtonMessageTest, UnusableChannelsAndControllersSendNothing) {
    // A "Default" channel that no mapping replaced, or any other byte above 15.
    EXPECT_TRUE(Send(Msg(kMsgControlChange, kChannelDefault).number(7).value(1)).empty());
    EXPECT_TRUE(Send(Msg(kMsgControlChangeInc, 200).number(7).range(0, 127).step(1)).empty());
    // A hi-res controller without a partner 32 above it.
    EXPECT_TRUE(Send(Msg(kMsgHiResControlChange, 0).number(96).value(1)).empty());
    EXPECT_EQ(state.controllers[0][7], 0);
}

TEST_F(ButtonMessageTest, DataBytesNeverCarryAStatusBit) {
    const std::vector<Bytes> sent = Send(Msg(kMsgNote, 0).number(200).value(300));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_LT(sent[0][1], 0x80);
    EXPECT_LT(sent[0][2], 0x80);
}

}  // namespace
}  // namespace qmt::test
