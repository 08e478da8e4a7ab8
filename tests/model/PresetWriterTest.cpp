#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PresetBytes.h"
#include "model/PresetFile.h"

namespace qmt {
namespace {

using test::PresetBytes;
using Bytes = std::vector<uint8_t>;

void ExpectSameAssignment(const Assignment& a, const Assignment& b, const std::string& where) {
    EXPECT_EQ(a.modifier, b.modifier) << where;
    EXPECT_EQ(a.function, b.function) << where;
    EXPECT_EQ(a.inverted, b.inverted) << where;
    EXPECT_EQ(a.interval, b.interval) << where;
    EXPECT_EQ(a.releaseTimeout, b.releaseTimeout) << where;
    EXPECT_EQ(a.messages[0], b.messages[0]) << where;
    EXPECT_EQ(a.messages[1], b.messages[1]) << where;
}

Assignment Make(uint8_t function, const Message& first, const Message& second = {}) {
    Assignment a;
    a.function = function;
    a.messages = {first, second};
    return a;
}

// Assignments on every control kind and every message kind a file of `kind` can hold.
Preset RichPreset(PresetKind kind) {
    Preset p;
    p.kind = kind;
    p.version = NewestPresetFormat(kind).version;
    Assignment repeat =
        Make(kAutoRepeat, {.kind = kMsgNote, .channel = 9, .number = 60, .value = 127},
             {.kind = kMsgKey, .keyApplication = 1, .keyCode = 0xE000004B});
    repeat.interval = 75 * 10000;
    repeat.releaseTimeout = 300 * 10000;
    repeat.modifier = 21;
    p.lists[0] = {
        repeat,
        Make(kToggle, {.kind = kMsgControlChangeInc, .number = 7, .min = 0, .max = 127, .step = -3},
             {.kind = kMsgProgramChangeInc, .channel = 253, .max = 9, .step = 1})};
    p.lists[1] = {
        Make(kTrigger,
             {.kind = kMsgPitchWheelInc, .channel = 254, .min = 1, .max = 16383, .step = -16383},
             {.kind = kMsgHiResControlChangeInc, .number = 31, .max = 16000, .step = 100})};
    p.lists[2] = {Make(kToggle, {.kind = kMsgChannelMode, .channel = 3, .value = 2},
                       {.kind = kMsgExtended, .extended = {0xF0, 0x7E, 0x7F, 0xF7}})};
    p.lists[3] = {Make(kTrigger, {.kind = kMsgPitchWheel, .value = 8192},
                       {.kind = kMsgHiResControlChange, .number = 2, .value = 16383})};
    p.lists[4] = {Make(kToggle, {.kind = kMsgProgramChange, .value = 5},
                       {.kind = kMsgAftertouch, .number = 1, .value = 2})};
    Assignment wheel =
        Make(kRotate, {.kind = kMsgControlChange, .threshold = 4096, .number = 10, .encoding = 5},
             {.kind = kMsgHiResControlChange, .threshold = 8192, .number = 3, .encoding = 2});
    wheel.inverted = true;
    p.lists[23] = {wheel, Make(kRotate, {.kind = kMsgPitchWheel, .threshold = 1, .encoding = 4},
                               {.kind = kMsgProgramChange, .threshold = 2, .encoding = 1})};
    p.lists[24] = {Make(kSlide, {.kind = kMsgControlChange, .threshold = 262144, .number = 11},
                        {.kind = kMsgPitchWheelInc, .threshold = 7, .min = 5, .max = 6})};
    p.lists[75] = {Make(kRotate, {.kind = kMsgKey, .threshold = 4096, .keyCode = 5})};
    p.lists[79] = {Make(kTrigger, {.kind = kMsgNote, .number = 1, .value = 1})};
    if (kind == PresetKind::Kqp) {
        p.lists[70] = {
            Make(kPress, {.kind = kMsgNote, .number = 36}, {.kind = kMsgAftertouch, .number = 36})};
        p.lists[87] = {Make(kToggle, {.kind = kMsgNote, .number = 2, .value = 3})};
    }
    return p;
}

class WriterRoundTripTest : public testing::TestWithParam<PresetKind> {};

TEST_P(WriterRoundTripTest, WhatIsWrittenReadsBackUnchanged) {
    const Preset original = RichPreset(GetParam());
    std::string reason;
    ASSERT_TRUE(ValidatePreset(original, &reason)) << reason;
    const std::vector<ApplicationEntry> apps{{"A", "/a"}, {"B", "/b"}};
    const Bytes bytes = WritePreset(original, apps);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), NewestPresetFormat(GetParam()).magic);

    std::vector<ApplicationEntry> readApps;
    std::string error;
    PresetPtr loaded = ParsePreset(bytes, &error, &readApps);
    ASSERT_NE(loaded, nullptr) << error;
    EXPECT_EQ(readApps, apps);
    EXPECT_EQ(loaded->kind, GetParam());
    for (int control = 0; control < kControlCount; ++control) {
        ASSERT_EQ(loaded->lists[control].size(), original.lists[control].size()) << control;
        for (size_t i = 0; i < original.lists[control].size(); ++i)
            ExpectSameAssignment(loaded->lists[control][i], original.lists[control][i],
                                 "control " + std::to_string(control));
    }
    EXPECT_TRUE(ValidatePreset(*loaded));
    EXPECT_EQ(WritePreset(*loaded, readApps), bytes);
}

INSTANTIATE_TEST_SUITE_P(Kinds, WriterRoundTripTest,
                         testing::Values(PresetKind::Kvp, PresetKind::Kap, PresetKind::Krp,
                                         PresetKind::Kqp));

TEST(PresetWriter, BytesFollowTheNewestLayout) {
    Preset p;
    p.kind = PresetKind::Kqp;
    Assignment wheel = Make(
        kRotate,
        {.kind = kMsgControlChange, .channel = 1, .threshold = 4096, .number = 7, .encoding = 2},
        {.kind = kMsgPitchWheelInc, .threshold = 8192, .min = 0x0102, .max = 0x0304});
    wheel.inverted = true;
    wheel.releaseTimeout = 120 * 10000;
    wheel.modifier = 21;
    p.lists[23] = {wheel};
    Assignment button = Make(
        kAutoRepeat, {.kind = kMsgControlChangeInc, .number = 7, .min = 1, .max = 2, .step = -1});
    button.interval = 40 * 10000;
    p.lists[87] = {button};

    PresetBytes expected("KQP0");
    expected.u32(1).str("Name").str("/path");
    expected.emptyLists(23);
    expected.u32(1).u8(21).u8(kRotate).u16(120);
    expected.u8(kMsgControlChange).u8(1).u8(7).u8(2).i32(4096).u8(1);
    expected.u8(kMsgPitchWheelInc).u8(0).u16(0x0102).u16(0x0304).i32(8192).u8(1);
    expected.emptyLists(87 - 24);
    expected.u32(1).u8(kNoControl).u8(kAutoRepeat).u32(40).u16(0);
    expected.u8(kMsgControlChangeInc).u8(0).u8(7).u8(1).u8(2).u8(0xFF).u8(kMsgNone);
    const std::vector<ApplicationEntry> apps{{"Name", "/path"}};
    EXPECT_EQ(WritePreset(p, apps), expected.finish());
}

TEST(PresetWriter, OldVersionsAreWrittenAsTheNewestOfTheirKind) {
    Preset p;
    p.kind = PresetKind::Kap;
    p.version = 2;
    const Bytes bytes = WritePreset(p);
    EXPECT_EQ(bytes, PresetBytes("KAP2").u32(0).emptyLists(80).finish());
}

TEST(PresetWriter, OnlyAssignmentsThatSendSomethingAreWritten) {
    Preset p;
    p.kind = PresetKind::Kvp;
    p.lists[5] = {Make(kToggle, {}), Make(kTrigger, {}, {.kind = kMsgNote, .number = 4}),
                  Make(kToggle, {.kind = 14}), Make(kToggle, {.kind = 200}, {.kind = kMsgNote})};
    PresetPtr loaded = ParsePreset(WritePreset(p));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->lists[5].size(), 2u);
    EXPECT_EQ(loaded->lists[5][0].function, kTrigger);
    // A kind without a file layout cannot be written; it becomes "None".
    EXPECT_EQ(loaded->lists[5][1].messages[0].kind, kMsgNone);
    EXPECT_EQ(loaded->lists[5][1].messages[1].kind, kMsgNote);
}

TEST(PresetWriter, ListsAndModifiersBeyondTheFormatAreNotKept) {
    Preset p;
    p.kind = PresetKind::Kvp;
    Assignment a = Make(kToggle, {.kind = kMsgNote});
    a.modifier = 85;  // "Selector 2" does not exist in a "KVP4" file
    p.lists[0] = {a};
    p.lists[84] = {a};
    PresetPtr loaded = ParsePreset(WritePreset(p));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->lists[0][0].modifier, kNoControl);
    EXPECT_TRUE(loaded->lists[84].empty());
}

TEST(PresetWriter, TimesAreWholeMillisecondsWithinTheirFields) {
    Preset p;
    p.kind = PresetKind::Kqp;
    auto repeatWith = [](int64_t interval, int64_t timeout) {
        Assignment a = Make(kAutoRepeat, {.kind = kMsgNote});
        a.interval = interval;
        a.releaseTimeout = timeout;
        return a;
    };
    p.lists[0] = {repeatWith(1234567, 9999), repeatWith(-5, -1),
                  repeatWith(int64_t{1} << 50, int64_t{70000} * 10000)};
    PresetPtr loaded = ParsePreset(WritePreset(p));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->lists[0][0].interval, 123 * 10000);
    EXPECT_EQ(loaded->lists[0][0].releaseTimeout, 0);
    EXPECT_EQ(loaded->lists[0][1].interval, 0);
    EXPECT_EQ(loaded->lists[0][1].releaseTimeout, 0);
    EXPECT_EQ(loaded->lists[0][2].interval, int64_t{0xFFFFFFFF} * 10000);
    EXPECT_EQ(loaded->lists[0][2].releaseTimeout, int64_t{65535} * 10000);
}

TEST(PresetWriter, WideValuesAreClampedToTheirFileFields) {
    Preset p;
    p.kind = PresetKind::Kqp;
    Message ext{.kind = kMsgExtended};
    ext.extended.assign(300, 0x11);
    p.lists[0] = {Make(kToggle, {.kind = kMsgControlChangeInc, .min = 300, .max = 999, .step = 200},
                       {.kind = kMsgProgramChangeInc, .step = -1000}),
                  Make(kToggle, {.kind = kMsgNote, .value = 256}, ext)};
    PresetPtr loaded = ParsePreset(WritePreset(p));
    ASSERT_NE(loaded, nullptr);
    const Assignment& inc = loaded->lists[0][0];
    EXPECT_EQ(inc.messages[0].min, 255);
    EXPECT_EQ(inc.messages[0].max, 255);
    EXPECT_EQ(inc.messages[0].step, 127);
    EXPECT_EQ(inc.messages[1].step, -128);
    EXPECT_EQ(loaded->lists[0][1].messages[0].value, 255);
    EXPECT_EQ(loaded->lists[0][1].messages[1].extended.size(), 255u);
}

}  // namespace
}  // namespace qmt
