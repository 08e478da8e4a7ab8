// Velocity pads: pressure to velocity, release, other kinds, and change detection.

#include <gtest/gtest.h>

#include "tests/engine/EngineFixture.h"

namespace qmt::test {
namespace {

using Sent = std::vector<Bytes>;
constexpr uint16_t kReleased = 65535;

Assignment Pad(Message press, Message release) {
    return Assign(kPress, press, release);
}

class PadTest : public EngineTest {
  protected:
    Assignment pad = Pad(Msg(kMsgNote, 1).number(36), Msg(kMsgNote, 1).number(36));

    Sent Press(Assignment& a, uint16_t pressure) {
        engine.PadEvent(a, pressure, 9);
        return Take();
    }
};

TEST_F(PadTest, PressureBecomesVelocityAndReleaseIsVelocityZero) {
    EXPECT_EQ(Press(pad, 0), (Sent{{0x91, 36, 127}}));
    EXPECT_EQ(Press(pad, 1024), (Sent{{0x91, 36, 125}}));
    EXPECT_EQ(Press(pad, 65534), (Sent{{0x91, 36, 0}}));
    EXPECT_EQ(Press(pad, kReleased), (Sent{{0x91, 36, 0}}));
    EXPECT_EQ(pad.accumulator, kReleased);
}

TEST_F(PadTest, ReleaseUsesTheSecondMessage) {
    Assignment a = Pad(Msg(kMsgAftertouch, 0).number(40), Msg(kMsgNote, 2).number(41));
    EXPECT_EQ(Press(a, 512), (Sent{{0xA0, 40, 126}}));
    EXPECT_EQ(Press(a, kReleased), (Sent{{0x92, 41, 0}}));
}

TEST_F(PadTest, OtherKindsAreButtonMessages) {
    Assignment a = Pad(Msg(kMsgControlChange, 0).number(20).value(99),
                       Msg(kMsgControlChange, 0).number(20).value(0));
    EXPECT_EQ(Press(a, 300), (Sent{{0xB0, 20, 99}}));
    EXPECT_EQ(Press(a, kReleased), (Sent{{0xB0, 20, 0}}));
    EXPECT_EQ(state.controllers[0][20], 0);
}

TEST_F(PadTest, PadEventsSendOnlyChangesAndRememberPressureOtherwise) {
    AssignmentList list{pad, Pad(Msg(kMsgNote, 0).number(37), Msg(kMsgNote, 0).number(37))};
    list[1].modifier = 10;
    list[0].accumulator = list[1].accumulator = kReleased;
    engine.PadEvents(list, Ardo(Ms(1)), 0);
    EXPECT_EQ(Take(), (Sent{{0x91, 36, 127}}));
    engine.PadEvents(list, Ardo(Ms(2)), 0);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(list[1].accumulator, 0);
    // With the modifier held the modified pad plays; the plain one only follows.
    held[10] = true;
    engine.PadEvents(list, Ardo(Ms(3)), 2048);
    EXPECT_EQ(Take(), (Sent{{0x90, 37, 123}}));
    EXPECT_EQ(list[0].accumulator, 2048);
    EXPECT_EQ(list[1].lastActivation, Ms(3));
    engine.PadEvents(list, Ardo(Ms(4), false), kReleased);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(list[0].accumulator, kReleased);
}

}  // namespace
}  // namespace qmt::test
