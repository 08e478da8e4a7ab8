#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PresetBytes.h"
#include "model/PresetFile.h"

namespace qmt {
namespace {

using test::AllMagics;
using test::HighestControlOf;
using test::MagicInfo;
using test::OneListFile;
using test::PresetBytes;
using test::Put16;
using test::Put32;
using Bytes = std::vector<uint8_t>;

PresetKind KindOfMagic(const std::string& magic) {
    if (magic.starts_with("KAP")) return PresetKind::Kap;
    if (magic.starts_with("KRP")) return PresetKind::Krp;
    if (magic.starts_with("KQP")) return PresetKind::Kqp;
    return PresetKind::Kvp;
}

class VersionLayoutTest : public testing::TestWithParam<MagicInfo> {};

// One file per magic with an "Auto repeat" on control 0, a "Rotate" on 23 and a "Trigger"
// on the version's last control, each field present exactly as the version stores it.
TEST_P(VersionLayoutTest, FieldsPresentByVersion) {
    const MagicInfo info = GetParam();
    const int v = info.version;
    PresetBytes file(info.magic);
    file.u32(0);
    for (int control = 0; control <= info.highestControl; ++control) {
        if (control == 0) {
            file.u32(1).u8(24).u8(kAutoRepeat).u32(50);
            if (v >= 3) file.u16(100);
            file.u8(kMsgNote).u8(0).u8(60).u8(127);
            file.u8(kMsgNote).u8(0).u8(60).u8(0);
        } else if (control == 23) {
            file.u32(1).u8(88).u8(kRotate);
            if (v >= 3) file.u16(0);
            file.u8(kMsgControlChange).u8(2).u8(7);
            if (v >= 1) file.u8(kEnc4041);
            file.i32(8192);
            if (v >= 1) file.u8(1);
            file.u8(kMsgNone);
        } else if (control == info.highestControl) {
            file.u32(1).u8(0).u8(kTrigger);
            if (v >= 3) file.u16(0);
            file.u8(kMsgChannelMode).u8(15).u8(2).u8(kMsgNone);
        } else {
            file.u32(0);
        }
    }
    std::string error;
    PresetPtr preset = ParsePreset(file.finish(), &error);
    ASSERT_NE(preset, nullptr) << error;
    EXPECT_EQ(preset->kind, KindOfMagic(info.magic));
    EXPECT_EQ(preset->version, v);

    const Assignment& repeat = preset->lists[0].at(0);
    EXPECT_EQ(repeat.modifier, 24);
    EXPECT_EQ(repeat.interval, 50 * 10000);
    EXPECT_EQ(repeat.releaseTimeout, v >= 3 ? 100 * 10000 : 0);
    EXPECT_EQ(repeat.messages[0], (Message{.kind = kMsgNote, .number = 60, .value = 127}));
    EXPECT_EQ(repeat.messages[1], (Message{.kind = kMsgNote, .number = 60, .value = 0}));
    EXPECT_FALSE(repeat.active);
    EXPECT_EQ(repeat.lastActivation, 0);

    const Assignment& rotate = preset->lists[23].at(0);
    EXPECT_EQ(rotate.modifier, kNoControl);
    EXPECT_EQ(rotate.messages[0].encoding, v >= 1 ? kEnc4041 : kEnc3F41);
    EXPECT_EQ(rotate.messages[0].threshold, 8192);
    EXPECT_EQ(rotate.inverted, v >= 1);

    EXPECT_EQ(preset->lists[info.highestControl].at(0).messages[0].value, 2);
    for (int control = info.highestControl + 1; control < kControlCount; ++control)
        EXPECT_TRUE(preset->lists[control].empty()) << control;
}

INSTANTIATE_TEST_SUITE_P(AllMagics, VersionLayoutTest, testing::ValuesIn(AllMagics()),
                         [](const auto& info) { return std::string(info.param.magic); });

TEST(PresetFormat, MagicsAndNewestFormats) {
    const uint8_t kqp[] = {'K', 'Q', 'P', '0'};
    const uint8_t other[] = {'K', 'Q', 'P', '1'};
    ASSERT_NE(PresetFormatForMagic(kqp), nullptr);
    EXPECT_EQ(PresetFormatForMagic(kqp)->highestControl, 87);
    EXPECT_EQ(PresetFormatForMagic(other), nullptr);
    EXPECT_EQ(PresetFormatForMagic(std::span(kqp).first(3)), nullptr);
    EXPECT_STREQ(NewestPresetFormat(PresetKind::Kvp).magic, "KVP4");
    EXPECT_STREQ(NewestPresetFormat(PresetKind::Kap).magic, "KAP2");
    EXPECT_STREQ(NewestPresetFormat(PresetKind::Krp).magic, "KRP0");
    EXPECT_STREQ(NewestPresetFormat(PresetKind::Kqp).magic, "KQP0");
    EXPECT_STREQ(PresetExtension(PresetKind::Krp), ".krp");
    EXPECT_STREQ(PresetKindName(PresetKind::Kqp), "KQP");
}

// Raw assignment bytes: modifier none, the function, its interval and release timeout, the
// given first message and an empty second one.
Bytes AssignmentWith(int version, uint8_t function, const Bytes& message) {
    Bytes out{kNoControl, function};
    if (function == kAutoRepeat) Put32(out, 10);
    if (version >= 3) Put16(out, 0);
    out.insert(out.end(), message.begin(), message.end());
    out.push_back(kMsgNone);
    return out;
}

struct LayoutCase {
    const char* name;
    Bytes message;     // kind byte and every field the file holds
    Message expected;  // what the reader makes of it
};

void ExpectLayouts(const char* magic, uint8_t control, uint8_t function,
                   const std::vector<LayoutCase>& cases) {
    const int version = test::VersionOfMagic(magic);
    for (const LayoutCase& c : cases) {
        std::string error;
        PresetPtr preset = ParsePreset(
            OneListFile(magic, control, 1, AssignmentWith(version, function, c.message)), &error);
        ASSERT_NE(preset, nullptr) << c.name << ": " << error;
        EXPECT_EQ(preset->lists[control].at(0).messages[0], c.expected) << c.name;
    }
}

Bytes Le16(uint16_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(PresetLayout, ButtonMessagesOfEveryKind) {
    Bytes key{kMsgKey};
    Put32(key, 2);
    Put32(key, 0x2000001C);
    ExpectLayouts(
        "KQP0", 22, kToggle,
        {
            {"note", {1, 3, 60, 100}, {.kind = 1, .channel = 3, .number = 60, .value = 100}},
            {"aftertouch", {2, 4, 61, 90}, {.kind = 2, .channel = 4, .number = 61, .value = 90}},
            {"cc", {3, 5, 7, 99}, {.kind = 3, .channel = 5, .number = 7, .value = 99}},
            {"cc inc",
             {4, 0, 7, 10, 20, 0xFE},
             {.kind = 4, .number = 7, .min = 10, .max = 20, .step = -2}},
            {"program", {5, 1, 42}, {.kind = 5, .channel = 1, .value = 42}},
            {"program inc",
             {6, 253, 0, 127, 0x80},
             {.kind = 6, .channel = 253, .min = 0, .max = 127, .step = -128}},
            {"channel mode", {7, 254, 1}, {.kind = 7, .channel = 254, .value = 1}},
            {"pitch", Cat({{8, 0}, Le16(0x2000)}), {.kind = 8, .value = 0x2000}},
            {"pitch inc",
             Cat({{9, 0}, Le16(100), Le16(16000), Le16(static_cast<uint16_t>(-300))}),
             {.kind = 9, .min = 100, .max = 16000, .step = -300}},
            {"extended",
             {10, 2, 3, 0xF0, 0x01, 0xF7},
             {.kind = 10, .channel = 2, .extended = {0xF0, 0x01, 0xF7}}},
            {"key", key, {.kind = 11, .keyApplication = 2, .keyCode = 0x2000001C}},
            {"hi-res cc",
             Cat({{12, 0, 31}, Le16(9000)}),
             {.kind = 12, .number = 31, .value = 9000}},
            {"hi-res cc inc",
             Cat({{13, 0, 1}, Le16(0), Le16(16383), Le16(5)}),
             {.kind = 13, .number = 1, .min = 0, .max = 16383, .step = 5}},
        });
}

// On "Rotate" and "Slide" every message ends with threshold (i32) and flags.
Bytes Tail(int32_t threshold, uint8_t flags) {
    Bytes out;
    Put32(out, static_cast<uint32_t>(threshold));
    out.push_back(flags);
    return out;
}

TEST(PresetLayout, RelativeMessagesCarryEncodingThresholdAndFlags) {
    Bytes key{kMsgKey};
    Put32(key, 1);
    Put32(key, 2);
    const Bytes t = Tail(4096, 0);
    ExpectLayouts(
        "KQP0", 23, kRotate,
        {
            {"note",
             Cat({{1, 3, 60, 100}, t}),
             {.kind = 1, .channel = 3, .threshold = 4096, .number = 60, .value = 100}},
            {"cc",
             Cat({{3, 5, 7, 2}, t}),
             {.kind = 3, .channel = 5, .threshold = 4096, .number = 7, .encoding = 2}},
            {"cc inc",
             Cat({{4, 0, 7, 10, 20}, t}),
             {.kind = 4, .threshold = 4096, .number = 7, .min = 10, .max = 20}},
            {"program",
             Cat({{5, 1, 5}, t}),
             {.kind = 5, .channel = 1, .threshold = 4096, .encoding = 5}},
            {"program inc",
             Cat({{6, 1, 3, 9}, t}),
             {.kind = 6, .channel = 1, .threshold = 4096, .min = 3, .max = 9}},
            {"channel mode", Cat({{7, 0, 2}, t}), {.kind = 7, .threshold = 4096, .value = 2}},
            {"pitch", Cat({{8, 0, 3}, t}), {.kind = 8, .threshold = 4096, .encoding = 3}},
            {"pitch inc",
             Cat({{9, 0}, Le16(1), Le16(300), t}),
             {.kind = 9, .threshold = 4096, .min = 1, .max = 300}},
            {"extended",
             Cat({{10, 0, 1, 0xF8}, t}),
             {.kind = 10, .threshold = 4096, .extended = {0xF8}}},
            {"key",
             Cat({key, t}),
             {.kind = 11, .threshold = 4096, .keyApplication = 1, .keyCode = 2}},
            {"hi-res cc",
             Cat({{12, 0, 4, 1}, t}),
             {.kind = 12, .threshold = 4096, .number = 4, .encoding = 1}},
            {"hi-res cc inc",
             Cat({{13, 0, 4}, Le16(2), Le16(3), t}),
             {.kind = 13, .threshold = 4096, .number = 4, .min = 2, .max = 3}},
        });
}

TEST(PresetLayout, AbsoluteMessagesHaveNoValueEncodingOrStep) {
    const Bytes t = Tail(-5, 0);
    ExpectLayouts(
        "KAP2", 24, kSlide,
        {
            {"cc", Cat({{3, 5, 7}, t}), {.kind = 3, .channel = 5, .threshold = -5, .number = 7}},
            {"program", Cat({{5, 1}, t}), {.kind = 5, .channel = 1, .threshold = -5}},
            {"pitch", Cat({{8, 0}, t}), {.kind = 8, .threshold = -5}},
            {"cc inc",
             Cat({{4, 0, 7, 10, 20}, t}),
             {.kind = 4, .threshold = -5, .number = 7, .min = 10, .max = 20}},
        });
}

TEST(PresetLayout, PressLetsThePadSupplyTheVelocity) {
    ExpectLayouts("KQP0", 70, kPress,
                  {
                      {"note", {1, 9, 36}, {.kind = 1, .channel = 9, .number = 36}},
                      {"aftertouch", {2, 9, 36}, {.kind = 2, .channel = 9, .number = 36}},
                      {"cc keeps its value", {3, 0, 1, 64}, {.kind = 3, .number = 1, .value = 64}},
                  });
}

TEST(PresetLayout, VersionZeroHasNoEncodingAndNoFlags) {
    Bytes threshold;
    Put32(threshold, 300);
    ExpectLayouts(
        "KVP0", 23, kRotate,
        {
            {"cc", Cat({{3, 0, 7}, threshold}), {.kind = 3, .threshold = 300, .number = 7}},
            {"pitch", Cat({{8, 1}, threshold}), {.kind = 8, .channel = 1, .threshold = 300}},
        });
}

TEST(PresetReader, InvertedIsOredOverBothMessagesAndOtherFlagBitsIgnored) {
    auto rotate = [](uint8_t flags1, uint8_t flags2) {
        Bytes a{kNoControl, kRotate, 0, 0};
        for (uint8_t flags : {flags1, flags2}) {
            a.insert(a.end(), {kMsgControlChange, 0, 7, 0});
            Put32(a, 4096);
            a.push_back(flags);
        }
        return ParsePreset(OneListFile("KVP4", 23, 1, a));
    };
    EXPECT_FALSE(rotate(0, 0)->lists[23][0].inverted);
    EXPECT_FALSE(rotate(0xFE, 0x02)->lists[23][0].inverted);
    EXPECT_TRUE(rotate(0, 1)->lists[23][0].inverted);
    EXPECT_TRUE(rotate(0xFF, 0)->lists[23][0].inverted);
}

TEST(PresetReader, ModifiersTheVersionDoesNotKnowBecomeNone) {
    auto modifierAfterLoad = [](const char* magic, uint8_t modifier) {
        const int version = test::VersionOfMagic(magic);
        Bytes a{modifier, kToggle};
        if (version >= 3) Put16(a, 0);
        a.insert(a.end(), {kMsgNote, 0, 1, 2, kMsgNone});
        PresetPtr preset = ParsePreset(OneListFile(magic, 0, 1, a));
        return preset ? int(preset->lists[0][0].modifier) : -1;
    };
    EXPECT_EQ(modifierAfterLoad("KVP2", 200), kNoControl);
    EXPECT_EQ(modifierAfterLoad("KVP2", 69), kNoControl);
    EXPECT_EQ(modifierAfterLoad("KVP2", 68), 68);
    EXPECT_EQ(modifierAfterLoad("KVP0", 25), kNoControl);
    EXPECT_EQ(modifierAfterLoad("KVP0", 24), 24);
    EXPECT_EQ(modifierAfterLoad("KQP0", 87), 87);
    EXPECT_EQ(modifierAfterLoad("KQP0", 89), kNoControl);
}

TEST(PresetReader, ApplicationListIsReadAndHandedOver) {
    PresetBytes file("KQP0");
    file.u32(2).str("Player").str("/usr/bin/player").str("").str("");
    file.emptyLists(88);
    std::vector<ApplicationEntry> apps{{"stale", "stale"}};
    ASSERT_NE(ParsePreset(file.finish(), nullptr, &apps), nullptr);
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0], (ApplicationEntry{"Player", "/usr/bin/player"}));
    EXPECT_EQ(apps[1], (ApplicationEntry{"", ""}));
}

TEST(PresetReader, ExtendedMessageOfTheLargestLength) {
    Bytes message{kMsgExtended, 0, 255};
    for (int i = 0; i < 255; ++i)
        message.push_back(static_cast<uint8_t>(i));
    PresetPtr preset = ParsePreset(OneListFile("KQP0", 0, 1, AssignmentWith(5, kTrigger, message)));
    ASSERT_NE(preset, nullptr);
    const auto& bytes = preset->lists[0][0].messages[0].extended;
    ASSERT_EQ(bytes.size(), 255u);
    EXPECT_EQ(bytes[254], 254);
}

TEST(PresetReader, ChecksumMustMatchEvenWhenEveryFieldParses) {
    Bytes file = OneListFile("KVP4", 0, 1, AssignmentWith(4, kToggle, {kMsgNote, 0, 60, 127}));
    ASSERT_NE(ParsePreset(file), nullptr);
    file.back() = static_cast<uint8_t>(file.back() + 1);
    std::string error;
    EXPECT_EQ(ParsePreset(file, &error), nullptr);
    EXPECT_NE(error.find("checksum"), std::string::npos) << error;
    file.pop_back();
    EXPECT_EQ(ParsePreset(file, &error), nullptr);
    EXPECT_NE(error.find("before the checksum"), std::string::npos) << error;
}

TEST(PresetReader, BytesAfterTheChecksumAreNotRead) {
    Bytes file = PresetBytes("KVP0").u32(0).emptyLists(25).finish();
    file.push_back(0x55);
    EXPECT_NE(ParsePreset(file), nullptr);
}

TEST(PresetReader, RejectsUnknownMagicsAndShortFiles) {
    std::string error;
    EXPECT_EQ(ParsePreset(PresetBytes("KVP5").u32(0).emptyLists(80).finish(), &error), nullptr);
    EXPECT_NE(error.find("KVP5"), std::string::npos) << error;
    EXPECT_EQ(ParsePreset(Bytes{'K', 'V'}, &error), nullptr);
    EXPECT_EQ(ParsePreset(Bytes{}, &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(PresetReader, UnknownMessageKindFailsTheLoad) {
    std::string error;
    EXPECT_EQ(
        ParsePreset(OneListFile("KQP0", 5, 1, AssignmentWith(5, kToggle, {14, 0, 0, 0})), &error),
        nullptr);
    EXPECT_EQ(error, "control 5 \"D\", assignment 0, first message: unknown message kind 14");
}

TEST(PresetReader, ErrorsSayWhereTheFileEnded) {
    Bytes file = OneListFile("KQP0", 87, 1, AssignmentWith(5, kToggle, {kMsgNote, 0, 60, 127}));
    file.pop_back();  // the checksum
    file.pop_back();  // the second message's kind byte
    std::string error;
    EXPECT_EQ(ParsePreset(file, &error), nullptr);
    EXPECT_EQ(error,
              "control 87 \"Selector 4\", assignment 0, second message: the file ends early");
}

TEST(PresetReader, HostileCountsFailWithoutBuildingAnything) {
    std::string error;
    EXPECT_EQ(ParsePreset(PresetBytes("KQP0").u32(0xFFFFFFFF).finish(), &error), nullptr);
    EXPECT_NE(error.find("application count"), std::string::npos) << error;
    EXPECT_EQ(
        ParsePreset(PresetBytes("KQP0").u32(0).u32(0x40000000).emptyLists(87).finish(), &error),
        nullptr);
    EXPECT_NE(error.find("assignment count 1073741824"), std::string::npos) << error;
    EXPECT_EQ(ParsePreset(PresetBytes("KQP0").u32(1).u32(0xFFFFFFF0).finish(), &error), nullptr);
}

TEST(PresetReader, LoadPresetNamesTheFile) {
    std::string error;
    EXPECT_EQ(LoadPreset("/nonexistent/qmt/x.kvp", &error), nullptr);
    EXPECT_NE(error.find("/nonexistent/qmt/x.kvp"), std::string::npos) << error;
}

TEST(PresetReader, CopyPresetIsDeep) {
    PresetPtr preset = ParsePreset(
        OneListFile("KQP0", 0, 1, AssignmentWith(5, kTrigger, {kMsgExtended, 0, 2, 0xF0, 0xF7})));
    ASSERT_NE(preset, nullptr);
    PresetPtr copy = CopyPreset(*preset);
    copy->lists[0][0].messages[0].extended[0] = 0x90;
    EXPECT_EQ(preset->lists[0][0].messages[0].extended[0], 0xF0);
    FreePreset(preset);
    EXPECT_EQ(preset, nullptr);
}

}  // namespace
}  // namespace qmt
