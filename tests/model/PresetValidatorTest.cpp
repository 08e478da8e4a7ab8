#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "model/PresetFile.h"

namespace qmt {
namespace {

// Validates a preset holding just `a` on `control`; returns the reason, empty when valid.
std::string Problem(uint8_t control, const Assignment& a) {
    Preset preset;
    preset.lists[control].push_back(a);
    std::string reason;
    const bool valid = ValidatePreset(preset, &reason);
    EXPECT_EQ(valid, reason.empty());
    return valid ? std::string() : reason;
}

Assignment With(uint8_t function, const Message& first) {
    Assignment a;
    a.function = function;
    a.messages[0] = first;
    return a;
}

TEST(PresetValidator, EventTypeFollowsTheControlKind) {
    const std::set<int> rotary{23, 60, 61, 62, 63, 75};
    const std::set<int> absolute{24, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 64, 65, 67, 68, 74};
    const std::set<int> pads{70, 71, 72, 73};
    for (int control = 0; control < kControlCount; ++control) {
        std::set<int> allowed{kToggle, kTrigger, kAutoRepeat};
        if (rotary.count(control)) allowed = {kRotate};
        if (absolute.count(control)) allowed = {kSlide};
        if (pads.count(control)) allowed = {kPress};
        for (uint8_t function = 0; function < 8; ++function) {
            Assignment a;
            a.function = function;
            const std::string reason = Problem(static_cast<uint8_t>(control), a);
            EXPECT_EQ(reason.empty(), allowed.count(function) == 1)
                << "control " << control << " function " << int(function) << ": " << reason;
        }
    }
}

TEST(PresetValidator, SlideOnSliderAFailsAndToggleOnItPasses) {
    EXPECT_EQ(Problem(78, With(kSlide, {})),
              "control 78 \"Slider A\", assignment 0: event type rule: function 4 \"Slide\" on a "
              "button control; it takes only \"Toggle\", \"Trigger\" or \"Auto repeat\"");
    EXPECT_EQ(Problem(78, With(kToggle, {})), "");
}

TEST(PresetValidator, ModifierUpToNone) {
    Assignment a;
    a.modifier = kNoControl;
    EXPECT_EQ(Problem(0, a), "");
    a.modifier = 89;
    EXPECT_EQ(Problem(0, a),
              "control 0 \"Eject\", assignment 0: modifier rule: modifier 89 is above 88");
}

TEST(PresetValidator, ThresholdMustBePositiveOnRotateAndSlide) {
    const Message cc{.kind = kMsgControlChange, .threshold = 0, .number = 7};
    Message positive = cc;
    positive.threshold = 1;
    EXPECT_NE(Problem(23, With(kRotate, cc)).find("threshold rule"), std::string::npos);
    EXPECT_NE(Problem(24, With(kSlide, Message{.kind = kMsgKey, .threshold = -1})), "");
    EXPECT_EQ(Problem(23, With(kRotate, positive)), "");
    EXPECT_EQ(Problem(22, With(kToggle, cc)), "");         // buttons have no threshold
    EXPECT_EQ(Problem(23, With(kRotate, Message{})), "");  // "None" is never checked
}

// One field at the edge of its range: `good` passes, `bad` names `rule`.
struct Boundary {
    const char* rule;
    uint8_t function;
    Message good;
    std::function<void(Message&)> breakIt;
};

uint8_t ControlFor(uint8_t function) {
    switch (function) {
        case kRotate:
            return 23;
        case kSlide:
            return 24;
        case kPress:
            return 70;
        default:
            return 22;
    }
}

void ExpectBoundaries(const std::vector<Boundary>& cases) {
    for (const Boundary& c : cases) {
        Message m = c.good;
        if (c.function == kRotate || c.function == kSlide) m.threshold = 4096;
        const uint8_t control = ControlFor(c.function);
        EXPECT_EQ(Problem(control, With(c.function, m)), "") << c.rule;
        c.breakIt(m);
        const std::string reason = Problem(control, With(c.function, m));
        EXPECT_NE(reason.find(std::string(c.rule) + " rule"), std::string::npos)
            << c.rule << ": " << reason;
    }
}

TEST(PresetValidator, NotesAndAftertouch) {
    ExpectBoundaries({
        {"note",
         kToggle,
         {.kind = kMsgNote, .number = 127, .value = 127},
         [](Message& m) { m.number = 128; }},
        {"velocity", kToggle, {.kind = kMsgNote, .value = 127}, [](Message& m) { m.value = 128; }},
        {"velocity",
         kTrigger,
         {.kind = kMsgAftertouch, .value = 0},
         [](Message& m) { m.value = 500; }},
        {"note",
         kPress,
         {.kind = kMsgNote, .number = 127, .value = 999},
         [](Message& m) { m.number = 200; }},
    });
}

TEST(PresetValidator, ControlChanges) {
    ExpectBoundaries({
        {"controller",
         kToggle,
         {.kind = kMsgControlChange, .number = 127},
         [](Message& m) { m.number = 128; }},
        {"value",
         kToggle,
         {.kind = kMsgControlChange, .value = 127},
         [](Message& m) { m.value = 128; }},
        {"encoding",
         kRotate,
         {.kind = kMsgControlChange, .encoding = 5, .value = 999},
         [](Message& m) { m.encoding = 6; }},
        {"controller",
         kSlide,
         {.kind = kMsgControlChange, .encoding = 77, .value = 999},
         [](Message& m) { m.number = 200; }},
        {"controller",
         kToggle,
         {.kind = kMsgControlChangeInc, .number = 127, .min = 0, .max = 0},
         [](Message& m) { m.number = 128; }},
        {"range",
         kToggle,
         {.kind = kMsgControlChangeInc, .min = 5, .max = 5},
         [](Message& m) { m.min = 6; }},
        {"range",
         kRotate,
         {.kind = kMsgControlChangeInc, .min = 0, .max = 127, .step = 999},
         [](Message& m) { m.max = 128; }},
        {"step",
         kToggle,
         {.kind = kMsgControlChangeInc, .max = 1, .step = -127},
         [](Message& m) { m.step = -128; }},
        {"step",
         kAutoRepeat,
         {.kind = kMsgControlChangeInc, .max = 1, .step = 127},
         [](Message& m) { m.step = 128; }},
    });
}

TEST(PresetValidator, ProgramChanges) {
    ExpectBoundaries({
        {"program",
         kToggle,
         {.kind = kMsgProgramChange, .value = 127},
         [](Message& m) { m.value = 128; }},
        {"encoding",
         kRotate,
         {.kind = kMsgProgramChange, .encoding = 5, .value = 300},
         [](Message& m) { m.encoding = 6; }},
        {"range",
         kToggle,
         {.kind = kMsgProgramChangeInc, .min = 0, .max = 127},
         [](Message& m) { m.max = 128; }},
        {"range",
         kSlide,
         {.kind = kMsgProgramChangeInc, .min = 3, .max = 3},
         [](Message& m) { m.max = 2; }},
        {"step",
         kToggle,
         {.kind = kMsgProgramChangeInc, .max = 1, .step = -127},
         [](Message& m) { m.step = -128; }},
    });
}

TEST(PresetValidator, ChannelModePitchAndHiRes) {
    ExpectBoundaries({
        {"command",
         kToggle,
         {.kind = kMsgChannelMode, .value = 2},
         [](Message& m) { m.value = 3; }},
        {"value",
         kToggle,
         {.kind = kMsgPitchWheel, .value = 16383},
         [](Message& m) { m.value = 16384; }},
        {"encoding",
         kRotate,
         {.kind = kMsgPitchWheel, .encoding = 0, .value = 20000},
         [](Message& m) { m.encoding = 9; }},
        {"range",
         kToggle,
         {.kind = kMsgPitchWheelInc, .min = 0, .max = 16383},
         [](Message& m) { m.max = 16384; }},
        {"step",
         kToggle,
         {.kind = kMsgPitchWheelInc, .max = 1, .step = -16383},
         [](Message& m) { m.step = -16384; }},
        {"step",
         kToggle,
         {.kind = kMsgPitchWheelInc, .max = 1, .step = 16383},
         [](Message& m) { m.step = 16384; }},
        {"controller",
         kToggle,
         {.kind = kMsgHiResControlChange, .number = 31},
         [](Message& m) { m.number = 32; }},
        {"value",
         kToggle,
         {.kind = kMsgHiResControlChange, .value = 16383},
         [](Message& m) { m.value = 16384; }},
        {"encoding",
         kRotate,
         {.kind = kMsgHiResControlChange, .encoding = 5},
         [](Message& m) { m.encoding = 6; }},
        {"controller",
         kToggle,
         {.kind = kMsgHiResControlChangeInc, .number = 31, .max = 1},
         [](Message& m) { m.number = 32; }},
        {"range",
         kToggle,
         {.kind = kMsgHiResControlChangeInc, .min = 9, .max = 16383},
         [](Message& m) {
             m.min = 16383;
             m.max = 8;
         }},
        {"step",
         kToggle,
         {.kind = kMsgHiResControlChangeInc, .max = 1, .step = 16383},
         [](Message& m) { m.step = -16384; }},
    });
}

TEST(PresetValidator, ExtendedLengthFromOneTo255) {
    Message m{.kind = kMsgExtended};
    m.extended.assign(255, 0xF8);
    EXPECT_EQ(Problem(22, With(kToggle, m)), "");
    m.extended.assign(1, 0xF8);
    EXPECT_EQ(Problem(22, With(kToggle, m)), "");
    m.extended.clear();
    EXPECT_NE(Problem(22, With(kToggle, m)).find("extended length rule"), std::string::npos);
    m.extended.assign(256, 0xF8);  // the file's length byte could not say this
    EXPECT_NE(Problem(22, With(kToggle, m)).find("extended length rule"), std::string::npos);
}

TEST(PresetValidator, KeyMessagesPassWithoutAChannel) {
    EXPECT_EQ(Problem(22, With(kToggle, {.kind = kMsgKey, .channel = 200, .keyApplication = 9})),
              "");
}

TEST(PresetValidator, UnknownKindsFail) {
    EXPECT_NE(Problem(22, With(kToggle, {.kind = kMessageKindCount})).find("message kind rule"),
              std::string::npos);
    EXPECT_NE(Problem(22, With(kToggle, {.kind = 255})), "");
}

TEST(PresetValidator, Channels) {
    for (int channel = 0; channel < 256; ++channel) {
        const Message note{.kind = kMsgNote, .channel = static_cast<uint8_t>(channel)};
        const bool allowed = channel < 16 || channel == kChannelDefault || channel == kChannelOmni;
        const std::string reason = Problem(22, With(kToggle, note));
        EXPECT_EQ(reason.empty(), allowed) << channel;
        if (!allowed) {
            EXPECT_NE(reason.find("channel rule"), std::string::npos) << reason;
        }
    }
}

TEST(PresetValidator, ReasonNamesTheSecondMessageAndTheAssignment) {
    Preset preset;
    Assignment ok = With(kTrigger, {.kind = kMsgNote, .number = 1});
    Assignment bad = ok;
    bad.messages[1] = {.kind = kMsgNote, .number = 128};
    preset.lists[22] = {ok, bad};
    preset.lists[40] = {With(kSlide, {})};  // a later control's failure is not the first
    std::string reason;
    EXPECT_FALSE(ValidatePreset(preset, &reason));
    EXPECT_EQ(reason,
              "control 22 \"Play\", assignment 1, second message (\"Button Release\"): note rule: "
              "note 128 must be below 128");
    EXPECT_FALSE(ValidatePreset(preset));
}

TEST(PresetValidator, EmptyPresetIsValid) {
    EXPECT_TRUE(ValidatePreset(Preset{}));
}

}  // namespace
}  // namespace qmt
