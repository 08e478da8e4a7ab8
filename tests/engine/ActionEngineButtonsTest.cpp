// The button state machine: toggle, trigger, auto repeat, and the two-pass modifier rule of
// both model families.

#include <gtest/gtest.h>

#include "tests/engine/EngineFixture.h"

namespace qmt::test {
namespace {

constexpr uint8_t kShift = 10;  // the modifier button in these tests
constexpr uint8_t kShift2 = 11;

Message NoteOf(uint8_t note, uint8_t velocity = 127) {
    return Msg(kMsgNote, 0).number(note).value(velocity);
}

class ButtonEventsTest : public EngineTest {
  protected:
    AssignmentList list;

    std::vector<Bytes> Kv(int64_t ms, bool pressed) {
        engine.ButtonEvents(list, EngineTest::Kv(Ms(ms)), pressed);
        return Take();
    }
    std::vector<Bytes> Ardo(int64_t ms, bool pressed, bool live = true) {
        engine.ButtonEvents(list, EngineTest::Ardo(Ms(ms), live), pressed);
        return Take();
    }
};

using Sent = std::vector<Bytes>;

TEST_F(ButtonEventsTest, ToggleAlternatesOnPressEdgesOnly) {
    list = {Assign(kToggle, NoteOf(60, 127), NoteOf(60, 0))};
    EXPECT_EQ(Kv(10, true), (Sent{{0x90, 60, 127}}));
    EXPECT_TRUE(Kv(20, true).empty());
    EXPECT_TRUE(Kv(30, false).empty());
    EXPECT_EQ(Kv(40, true), (Sent{{0x90, 60, 0}}));
    EXPECT_TRUE(Kv(50, false).empty());
    EXPECT_EQ(Kv(60, true), (Sent{{0x90, 60, 127}}));
}

TEST_F(ButtonEventsTest, TriggerSendsPressThenRelease) {
    list = {Assign(kTrigger, NoteOf(60), NoteOf(61))};
    EXPECT_EQ(Kv(10, true), (Sent{{0x90, 60, 127}}));
    EXPECT_TRUE(Kv(20, true).empty());
    EXPECT_EQ(Kv(30, false), (Sent{{0x90, 61, 127}}));
    EXPECT_TRUE(Kv(40, false).empty());
}

TEST_F(ButtonEventsTest, AutoRepeatSendsOnePairPerReportPerElapsedInterval) {
    list = {Assign(kAutoRepeat, NoteOf(60), NoteOf(61)).intervalMs(100)};
    const Sent pair{{0x90, 60, 127}, {0x90, 61, 127}};
    EXPECT_TRUE(Kv(1000, true).empty());
    EXPECT_TRUE(Kv(1099, true).empty());
    EXPECT_EQ(Kv(1100, true), pair);
    EXPECT_TRUE(Kv(1150, true).empty());
    // A late report catches up one interval at a time.
    EXPECT_EQ(Kv(1350, true), pair);  // reference 1200
    EXPECT_EQ(Kv(1351, true), pair);  // reference 1300
    EXPECT_TRUE(Kv(1352, true).empty());
    EXPECT_EQ(Kv(1400, true), pair);  // reference 1400
    // Release stops it and sends nothing; the next press starts a new interval.
    EXPECT_TRUE(Kv(1500, false).empty());
    EXPECT_TRUE(Kv(2000, true).empty());
    EXPECT_EQ(Kv(2100, true), pair);
}

TEST_F(ButtonEventsTest, ModifiedAssignmentWinsOverPlainInEitherListOrder) {
    for (bool modifiedFirst : {true, false}) {
        Assignment modified = Assign(kTrigger, NoteOf(1), NoteOf(2)).modifier(kShift);
        Assignment plain = Assign(kTrigger, NoteOf(3), NoteOf(4));
        list = modifiedFirst ? AssignmentList{modified, plain} : AssignmentList{plain, modified};
        held[kShift] = true;
        EXPECT_EQ(Kv(10, true), (Sent{{0x90, 1, 127}}));
        EXPECT_EQ(Kv(20, false), (Sent{{0x90, 2, 127}}));
        held[kShift] = false;
        EXPECT_EQ(Kv(10000, true), (Sent{{0x90, 3, 127}}));
        EXPECT_EQ(Kv(10010, false), (Sent{{0x90, 4, 127}}));
    }
}

TEST_F(ButtonEventsTest, OnlyTheFirstEligibleModifierAssignmentActs) {
    list = {Assign(kTrigger, NoteOf(1)).modifier(kShift),
            Assign(kTrigger, NoteOf(2)).modifier(kShift2), Assign(kTrigger, NoteOf(3))};
    held[kShift] = held[kShift2] = true;
    EXPECT_EQ(Kv(10, true), (Sent{{0x90, 1, 127}}));
    EXPECT_TRUE(Kv(20, false).empty());
    EXPECT_EQ(Ardo(30, true), (Sent{{0x90, 1, 127}}));
}

TEST_F(ButtonEventsTest, KvModifierAssignmentKeepsItsGraceTime) {
    list = {Assign(kTrigger, NoteOf(1), NoteOf(2)).modifier(kShift).releaseMs(500),
            Assign(kTrigger, NoteOf(3), NoteOf(4))};
    held[kShift] = true;
    EXPECT_EQ(Kv(1000, true), (Sent{{0x90, 1, 127}}));
    // The modifier is let go while the button stays down: it stays with the modifier
    // assignment, and its release is still sent.
    held[kShift] = false;
    EXPECT_TRUE(Kv(1400, true).empty());
    EXPECT_EQ(Kv(1450, false), (Sent{{0x90, 2, 127}}));
    // Last activation was at 1400: a press up to 500 ms later still goes to it.
    EXPECT_EQ(Kv(1900, true), (Sent{{0x90, 1, 127}}));
    EXPECT_EQ(Kv(1910, false), (Sent{{0x90, 2, 127}}));
    EXPECT_EQ(Kv(2411, true), (Sent{{0x90, 3, 127}}));
}

TEST_F(ButtonEventsTest, KvTriggerReleasesWhenTheGraceTimeRunsOutWhileHeld) {
    list = {Assign(kTrigger, NoteOf(1), NoteOf(2)).modifier(kShift),
            Assign(kTrigger, NoteOf(3), NoteOf(4))};
    held[kShift] = true;
    EXPECT_EQ(Kv(1000, true), (Sent{{0x90, 1, 127}}));
    held[kShift] = false;
    // No release timeout: the modified assignment lets go and the plain one takes the press.
    EXPECT_EQ(Kv(1010, true), (Sent{{0x90, 2, 127}, {0x90, 3, 127}}));
    EXPECT_EQ(Kv(1020, false), (Sent{{0x90, 4, 127}}));
}

TEST_F(ButtonEventsTest, KvAssignmentThatNeverActedHasNoGraceTimeAtClockStart) {
    list = {Assign(kTrigger, NoteOf(1)).modifier(kShift).releaseMs(500),
            Assign(kTrigger, NoteOf(3))};
    EXPECT_EQ(Kv(0, true), (Sent{{0x90, 3, 127}}));
    EXPECT_TRUE(Kv(100, false).empty());
    EXPECT_EQ(Kv(200, true), (Sent{{0x90, 3, 127}}));
}

TEST_F(ButtonEventsTest, ArdoModifierHasNoGraceTimeOfItsOwn) {
    list = {Assign(kTrigger, NoteOf(1), NoteOf(2)).modifier(kShift).releaseMs(500),
            Assign(kTrigger, NoteOf(3), NoteOf(4))};
    held[kShift] = true;
    EXPECT_EQ(Ardo(1000, true), (Sent{{0x90, 1, 127}}));
    // The decoder's held state carries the timeout; once it says "not held" the modified
    // assignment releases at once and the plain one takes over.
    held[kShift] = false;
    EXPECT_EQ(Ardo(1010, true), (Sent{{0x90, 2, 127}, {0x90, 3, 127}}));
    EXPECT_EQ(Ardo(1020, false), (Sent{{0x90, 4, 127}}));
}

TEST_F(ButtonEventsTest, ArdoPresetThatIsNotLiveSendsNothingAndReleases) {
    list = {Assign(kTrigger, NoteOf(1), NoteOf(2)).modifier(kShift),
            Assign(kTrigger, NoteOf(3), NoteOf(4))};
    held[kShift] = true;
    EXPECT_TRUE(Ardo(10, true, false).empty());
    held[kShift] = false;
    EXPECT_TRUE(Ardo(20, true, false).empty());
    EXPECT_EQ(Ardo(30, true, true), (Sent{{0x90, 3, 127}}));
    // Switching decks while the button is down releases the assignment.
    EXPECT_EQ(Ardo(40, true, false), (Sent{{0x90, 4, 127}}));
    EXPECT_TRUE(Ardo(50, false, false).empty());
}

TEST_F(ButtonEventsTest, AutoRepeatUnderAModifier) {
    list = {Assign(kAutoRepeat, NoteOf(1), NoteOf(2)).modifier(kShift).intervalMs(50),
            Assign(kTrigger, NoteOf(3))};
    held[kShift] = true;
    EXPECT_TRUE(Ardo(0, true).empty());
    EXPECT_EQ(Ardo(50, true), (Sent{{0x90, 1, 127}, {0x90, 2, 127}}));
    held[kShift] = false;
    // The repeat stops with the modifier; the plain trigger takes the still pressed button.
    EXPECT_EQ(Ardo(100, true), (Sent{{0x90, 3, 127}}));
}

TEST_F(ButtonEventsTest, HeldStateIsReadFromTheModifiersEntry) {
    list = {Assign(kTrigger, NoteOf(1)).modifier(kShift), Assign(kTrigger, NoteOf(3))};
    held[kShift2] = true;
    held[kNoControl] = false;
    EXPECT_EQ(Kv(10, true), (Sent{{0x90, 3, 127}}));
    // Without a held table no modifier is ever held.
    EXPECT_TRUE(Kv(15, false).empty());
    held[kShift] = true;
    engine.ButtonEvents(list, ControlContext{ModelFamily::Ardo, true, nullptr, Ms(20)}, true);
    EXPECT_EQ(Take(), (Sent{{0x90, 3, 127}}));
}

}  // namespace
}  // namespace qmt::test
