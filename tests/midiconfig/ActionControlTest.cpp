#include "midiconfig/ActionControl.h"

#include <gtest/gtest.h>

#include "model/ControlId.h"

#include "midiconfig/ExtendedMessage.h"
#include "model/PresetDocument.h"
#include "platform/sim/ScriptedMessageBox.h"

namespace qmt {
namespace {

using F = HalfField;
using L = HalfLabel;

class Listener : public ActionControl::ListenerIf {
  public:
    void modifierChanged() override { ++modifierChanges; }
    void descriptionChanged() override { ++descriptions; }
    int modifierChanges = 0;
    int descriptions = 0;
};

Assignment With(uint8_t function, uint8_t kind0, uint8_t kind1 = kMsgNone) {
    Assignment a;
    a.modifier = kNoControl;
    a.function = function;
    a.messages[0].kind = kind0;
    a.messages[1].kind = kind1;
    for (auto& m : a.messages)
        m.threshold = 4 * kThresholdScale;
    return a;
}

class ActionControlTest : public testing::Test {
  protected:
    ActionControlTest() { panel.setListener(&listener); }
    const HalfState& half(int h) const { return panel.state().halves[h]; }
    bool shows(int h, F f) const { return half(h).field(f).visible; }
    std::string label(int h, L l) const {
        return half(h).label(l).visible ? half(h).label(l).text : "(hidden)";
    }

    ScriptedMessageBox boxes;
    Listener listener;
    ActionControl panel{boxes};
};

TEST_F(ActionControlTest, RotateControlChangeShowsValueRangeAndThresholdButNoValue) {
    panel.load(PresetKind::Kvp, kControlWheel, With(kRotate, kMsgControlChange, kMsgControlChange));
    EXPECT_EQ(half(0).title, "Rotate Clockwise");
    EXPECT_EQ(half(1).title, "Rotate Counterclockwise");
    EXPECT_TRUE(shows(0, F::Controller));
    EXPECT_FALSE(shows(0, F::Value));
    EXPECT_TRUE(shows(0, F::Encoding));
    EXPECT_TRUE(shows(0, F::Percent) && shows(0, F::Trackbar));
    EXPECT_EQ(label(0, L::Row1Left), "Controller");
    EXPECT_EQ(label(0, L::ValueRange), "Value range");
    EXPECT_TRUE(panel.state().invertedVisible);
    EXPECT_FALSE(panel.state().intervalVisible);
    ASSERT_EQ(panel.functionItems().size(), 1u);
    EXPECT_EQ(panel.functionItems()[0].text, "Rotate");
}

TEST_F(ActionControlTest, SlideHasNoValueRangeAndPadNoteHasNoPressure) {
    panel.load(PresetKind::Kvp, kControlSlider, With(kSlide, kMsgControlChange));
    EXPECT_FALSE(shows(0, F::Encoding));
    EXPECT_EQ(label(0, L::ValueRange), "(hidden)");
    EXPECT_TRUE(shows(0, F::Trackbar));

    panel.load(PresetKind::Krp, kControlNwVelocityPad, With(kPress, kMsgNote));
    EXPECT_TRUE(shows(0, F::Note));
    EXPECT_FALSE(shows(0, F::Velocity));
    EXPECT_EQ(label(0, L::Row2Left), "(hidden)");
    EXPECT_FALSE(shows(0, F::Trackbar));
    EXPECT_FALSE(panel.state().invertedVisible);
}

TEST_F(ActionControlTest, ButtonLayoutsFollowTheKind) {
    panel.load(PresetKind::Kvp, kControlPlay, With(kTrigger, kMsgControlChangeInc, kMsgNone));
    EXPECT_EQ(label(0, L::Row1Left), "Controller");
    EXPECT_EQ(label(0, L::Row1Right), "Step Value");
    EXPECT_EQ(label(0, L::Row2Left), "Min Value");
    EXPECT_EQ(label(0, L::Row2Right), "Max Value");
    EXPECT_TRUE(shows(0, F::Step) && shows(0, F::Min) && shows(0, F::Max));
    EXPECT_FALSE(shows(0, F::Trackbar));
    // "None": only the kind list.
    for (size_t f = 1; f < kHalfFieldCount; ++f)
        EXPECT_FALSE(half(1).fields[f].visible) << f;
    EXPECT_TRUE(shows(1, F::Kind));

    panel.choose(1, F::Kind, kMsgNote);  // the kind list holds kinds 0 to 10 at their numbers
    EXPECT_EQ(label(1, L::Row1Left), "Note");
    EXPECT_EQ(label(1, L::Row2Left), "Pressure");
    EXPECT_EQ(half(1).field(F::Velocity).index, 0);  // the release message starts at 0
    panel.choose(1, F::Kind, kMsgExtended);
    EXPECT_EQ(label(1, L::Row1Left), "Command");
    EXPECT_TRUE(shows(1, F::Extended));
    EXPECT_FALSE(shows(1, F::Note));
    EXPECT_GE(listener.descriptions, 3);
}

TEST_F(ActionControlTest, ButtonFunctionsAndInterval) {
    panel.load(PresetKind::Kvp, kControlPlay, With(kTrigger, kMsgNote));
    ASSERT_EQ(panel.functionItems().size(), 3u);
    EXPECT_EQ(panel.functionItems()[0].text, "Auto repeat");
    EXPECT_EQ(panel.functionItems()[1].text, "Toggle");
    EXPECT_EQ(panel.state().functionIndex, 2);
    EXPECT_EQ(half(0).title, "Button Press");
    panel.chooseFunction(0);
    EXPECT_TRUE(panel.state().intervalVisible);
    EXPECT_EQ(panel.state().intervalText, "50 ms");
    EXPECT_EQ(half(0).title, "Button Down");
    panel.typeTop(ActionControl::TopField::Interval, "99999");
    EXPECT_EQ(panel.workingCopy().intervalMs, 10000u);
    panel.leaveTop(ActionControl::TopField::Interval);
    EXPECT_EQ(panel.state().intervalText, "10000 ms");
    EXPECT_EQ(panel.takeWorkingCopy().interval, 10000 * 10000);
}

TEST_F(ActionControlTest, FourteenBitFieldsClamp) {
    panel.load(PresetKind::Kvp, kControlPlay, With(kTrigger, kMsgPitchWheelInc, kMsgPitchWheel));
    panel.choose(0, F::PitchStep, 0);  // the entry "-16385"
    EXPECT_EQ(panel.workingCopy().messages[0].pitchStep, -16383);
    EXPECT_EQ(half(0).field(F::PitchStep).text, "-16385");
    panel.leave(0, F::PitchStep);
    EXPECT_EQ(half(0).field(F::PitchStep).text, "-16383");

    panel.type(1, F::PitchValue, "20000");
    EXPECT_EQ(panel.workingCopy().messages[1].pitchValue, 16383);
    EXPECT_EQ(half(1).field(F::PitchValue).text, "20000");  // typing is not disturbed
    panel.leave(1, F::PitchValue);
    EXPECT_EQ(half(1).field(F::PitchValue).text, "16383");
    panel.type(1, F::PitchValue, "-5");
    EXPECT_EQ(panel.workingCopy().messages[1].pitchValue, 0);
    panel.type(1, F::PitchValue, "12ab");
    EXPECT_EQ(panel.workingCopy().messages[1].pitchValue, 12);
    panel.type(1, F::PitchValue, "abc");
    EXPECT_EQ(panel.workingCopy().messages[1].pitchValue, 0);
}

TEST_F(ActionControlTest, MinimumAndMaximumStayOrdered) {
    Assignment a = With(kTrigger, kMsgControlChangeInc, kMsgHiResControlChangeInc);
    a.messages[0].min = 20;
    a.messages[0].max = 100;
    a.messages[1].min = 20;
    a.messages[1].max = 16383;
    panel.load(PresetKind::Kvp, kControlPlay, a);
    panel.choose(0, F::Max, 10);
    EXPECT_EQ(panel.workingCopy().messages[0].min, 10);
    EXPECT_EQ(half(0).field(F::Min).index, 10);
    panel.choose(0, F::Min, 30);
    EXPECT_EQ(panel.workingCopy().messages[0].max, 30);

    // Typing 100 as maximum passes through 1 and 10; the minimum ends where it began.
    for (const char* text : {"1", "10", "100"})
        panel.type(1, F::HiResMax, text);
    EXPECT_EQ(panel.workingCopy().messages[1].hiResMin, 20);
    EXPECT_EQ(panel.workingCopy().messages[1].hiResMax, 100);
    EXPECT_EQ(half(1).field(F::HiResMin).text, "20");
    panel.leave(1, F::HiResMax);
    panel.type(1, F::HiResMax, "5");
    panel.leave(1, F::HiResMax);
    EXPECT_EQ(panel.workingCopy().messages[1].hiResMin, 5);
    EXPECT_EQ(half(1).field(F::HiResMin).text, "5");
}

TEST_F(ActionControlTest, ThresholdCurveAndPercentage) {
    Assignment a = With(kSlide, kMsgControlChange, kMsgPitchWheel);
    a.messages[0].threshold = 1 * kThresholdScale;  // below "Slide"'s bounds: brought to 64
    a.messages[1].threshold = 128 * kThresholdScale;
    panel.load(PresetKind::Kvp, kControlSlider, a);
    EXPECT_EQ(half(0).field(F::Percent).text, "100%");
    EXPECT_EQ(half(0).field(F::Trackbar).index, 0);
    EXPECT_DOUBLE_EQ(panel.workingCopy().messages[0].threshold, 64.0);
    EXPECT_EQ(half(1).field(F::Percent).text, "200%");
    // 128 = 64 + (p/2500)² × 32704  →  p = ⌊√(64/32704) × 2500 + 0.5⌋ = 111
    EXPECT_EQ(half(1).field(F::Trackbar).index, 111);

    panel.moveTrackbar(1, 2500);
    EXPECT_DOUBLE_EQ(panel.workingCopy().messages[1].threshold, 32768.0);
    EXPECT_EQ(half(1).field(F::Percent).text, "51200%");
    panel.choose(1, F::Percent, 2);  // "300 %"
    EXPECT_DOUBLE_EQ(panel.workingCopy().messages[1].threshold, 192.0);
    EXPECT_EQ(half(1).field(F::Percent).text, "300 %");
    panel.type(1, F::Percent, "50");  // below the lower bound
    EXPECT_DOUBLE_EQ(panel.workingCopy().messages[1].threshold, 64.0);
    EXPECT_EQ(half(1).field(F::Trackbar).index, 0);
    panel.leave(1, F::Percent);
    EXPECT_EQ(half(1).field(F::Percent).text, "100%");
    EXPECT_EQ(panel.takeWorkingCopy().messages[1].threshold, 64 * kThresholdScale);
}

TEST_F(ActionControlTest, UnchangedWorkingCopyEqualsTheStoredAssignment) {
    std::vector<std::pair<uint8_t, Assignment>> cases;
    Assignment note = With(kToggle, kMsgNote, kMsgAftertouch);
    note.messages[0].channel = 3;
    note.messages[0].number = 60;
    note.messages[0].value = 100;
    note.messages[1].channel = kChannelOmni;
    note.modifier = kControlMenu;
    note.releaseTimeout = 150 * 10000;
    cases.push_back({kControlPlay, note});
    Assignment wheel = With(kRotate, kMsgHiResControlChange, kMsgProgramChange);
    wheel.messages[0].number = 7;
    wheel.messages[0].encoding = kEnc7F01;
    wheel.messages[1].channel = kChannelDefault;
    wheel.messages[1].encoding = kEnc0001;
    wheel.inverted = true;
    cases.push_back({kControlWheel, wheel});
    Assignment sysex = With(kAutoRepeat, kMsgExtended, kMsgKey);
    sysex.interval = 250 * 10000;
    sysex.messages[0].extended = {0xF0, 0x7E, 0xF7};
    sysex.messages[1].keyApplication = 2;
    sysex.messages[1].keyCode = 0x2000001E;
    cases.push_back({kControlPlay, sysex});
    for (const auto& [control, stored] : cases) {
        panel.load(PresetKind::Kvp, control, stored);
        EXPECT_TRUE(SameAssignment(panel.takeWorkingCopy(), stored)) << int(stored.function);
    }
    // "Key" is not in the kind list: nothing is selected and nothing shows.
    EXPECT_EQ(half(1).field(F::Kind).index, -1);
    EXPECT_FALSE(shows(1, F::Channel));
}

TEST_F(ActionControlTest, ExtendedMessageIsParsedWhenTheFieldIsLeft) {
    Assignment a = With(kTrigger, kMsgExtended);
    a.messages[0].extended = {0xF0, 0xF7};
    panel.load(PresetKind::Kvp, kControlPlay, a);
    EXPECT_EQ(half(0).field(F::Extended).text, "F0h F7h");
    panel.type(0, F::Extended, "240 1 2 0x03 F7h");
    EXPECT_EQ(panel.workingCopy().messages[0].extended, (std::vector<uint8_t>{0xF0, 0xF7}));
    panel.leave(0, F::Extended);
    EXPECT_EQ(half(0).field(F::Extended).text, "F0h 01h 02h 03h F7h");
    EXPECT_TRUE(boxes.shown().empty());

    panel.type(0, F::Extended, "F0h 300");
    // A commit takes the typed text as if the field had been left.
    const Assignment taken = panel.takeWorkingCopy();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "Error");
    EXPECT_EQ(boxes.shown()[0].text, kExtendedOutOfRange);
    EXPECT_EQ(taken.messages[0].extended.size(), 5u);
}

TEST_F(ActionControlTest, ModifierChoiceShowsReleaseTimeoutAndTellsTheEditor) {
    panel.load(PresetKind::Kvp, kControlPlay, With(kTrigger, kMsgNote));
    EXPECT_FALSE(panel.state().releaseVisible);
    const ListItems modifiers = ModifierItems(PresetKind::Kvp);
    ASSERT_EQ(modifiers.size(), 24u);  // "None" and KV10's 23 buttons
    EXPECT_EQ(modifiers[0].text, "None");
    EXPECT_EQ(modifiers[1].text, "A");
    const int menu = IndexOfData(modifiers, kControlMenu);
    panel.chooseModifier(menu);
    EXPECT_EQ(listener.modifierChanges, 1);
    EXPECT_TRUE(panel.state().releaseVisible);
    EXPECT_EQ(panel.state().releaseText, "0 ms");
    panel.typeTop(ActionControl::TopField::ReleaseTimeout, "5000");
    panel.leaveTop(ActionControl::TopField::ReleaseTimeout);
    EXPECT_EQ(panel.state().releaseText, "1000 ms");
    EXPECT_EQ(panel.takeWorkingCopy().modifier, kControlMenu);
    EXPECT_EQ(ModifierItems(PresetKind::Kqp).size(), 34u);
    EXPECT_EQ(ModifierItems(PresetKind::Krp).size(), 26u);
}

TEST_F(ActionControlTest, HiResControllerShowsItsLowFiveBits) {
    Assignment a = With(kTrigger, kMsgHiResControlChange);
    a.messages[0].number = 40;
    panel.load(PresetKind::Kvp, kControlPlay, a);
    EXPECT_EQ(half(0).field(F::HiResController).index, 8);
    EXPECT_FALSE(SameAssignment(panel.takeWorkingCopy(), a));
}

}  // namespace
}  // namespace qmt
