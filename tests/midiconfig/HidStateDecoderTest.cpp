// Reports turned into what the live-input display compares, and the filter that coarsens it.

#include <gtest/gtest.h>

#include "midiconfig/DeviceFilter.h"
#include "midiconfig/HidStateDecoder.h"
#include "tests/engine/ReportBuilders.h"

namespace qmt {
namespace {

using namespace test;

HidControlState Decode(uint8_t model, const std::vector<uint8_t>& before,
                       const std::vector<uint8_t>& now) {
    HidControlState s;
    EXPECT_TRUE(IsControlReport(model, now));
    EXPECT_TRUE(DecodeHidState(model, before, now, s));
    return s;
}

TEST(HidStateDecoder, Kv10WheelIsAllTicksLessTwiceTheBackwardOnes) {
    const auto s = Decode(kModelKv10, Kv10Report().counters(7, 10),
                          Kv10Report().counters(12, 15).slider(0x1234).press(22));
    EXPECT_EQ(s.rotary[0], 5 - 2 * 5);
    EXPECT_EQ(s.absoluteNew[0], 0x1234);
    EXPECT_EQ(s.buttons, 1u << 22);
}

TEST(HidStateDecoder, Kv5WheelIsTheSignedChangeOfItsPositionAcrossTheWrap) {
    const auto s = Decode(kModelKv5, Kv5Report().wheel(65530), Kv5Report().wheel(4));
    EXPECT_EQ(s.rotary[0], 10);
}

TEST(HidStateDecoder, ArdoSliderMovesWhereverTheFirmwareKeepsIt) {
    const auto base = ArdoReport().oldSlider(100).firstSlider(5000).secondSlider(9000).deck(1);
    auto oldFirmware = base;
    oldFirmware.oldSlider(200);
    auto liveDeck = base;
    liveDeck.firstSlider(5100);
    auto otherDeck = base;
    otherDeck.secondSlider(9100);
    for (const auto& [now, moves] : std::vector<std::pair<ArdoReport, bool>>{
             {oldFirmware, true}, {liveDeck, true}, {otherDeck, false}}) {
        const auto s = Decode(kModelArdo, base, now);
        EXPECT_EQ(s.absoluteOld[0] != s.absoluteNew[0], moves);
    }
    const auto s =
        Decode(kModelArdo, base, ArdoReport(base).touchX(3).touchY(4).smallWheel(2, 255));
    EXPECT_EQ(s.touchNew, (std::array<uint16_t, 2>{3, 4}));
    EXPECT_EQ(s.rotary[3], -1);  // SW wheel one step back
}

TEST(HidStateDecoder, ArdoFirmwareReplyIsNoControlReport) {
    auto reply = ArdoReport();
    reply.u8(1, 10).u8(2, 4);
    EXPECT_FALSE(IsControlReport(kModelArdo, reply.bytes));
    EXPECT_FALSE(IsControlReport(kModelArdo, std::vector<uint8_t>(64, 0)));
}

TEST(HidStateDecoder, ArdoRawSelectorCountsOnlyInTheReportWhereItMoved) {
    constexpr uint64_t kSelector1 = uint64_t{1} << 29, kSelector4 = uint64_t{1} << 32;
    EXPECT_EQ(
        Decode(kModelArdoRaw, ArdoRawReport().selector(3), ArdoRawReport().selector(0)).buttons,
        kSelector4);
    EXPECT_EQ(
        Decode(kModelArdoRaw, ArdoRawReport().selector(1), ArdoRawReport().selector(3)).buttons,
        kSelector1);
    EXPECT_EQ(
        Decode(kModelArdoRaw, ArdoRawReport().selector(3), ArdoRawReport().selector(3)).buttons,
        0u);
    // An endless knob's detent shows as a change of 256 in its position.
    const auto s =
        Decode(kModelArdoRaw, ArdoRawReport().knobCounter(1, 7), ArdoRawReport().knobCounter(1, 8));
    EXPECT_EQ(s.absoluteNew[5] - s.absoluteOld[5], 256);
}

TEST(HidStateDecoder, ProtoSelectorIsItsSixthRotary) {
    const auto s =
        Decode(kModelArdoRawProto2009, ProtoReport().selector(1), ProtoReport().selector(3));
    EXPECT_EQ(s.rotaryCount, 6);
    EXPECT_EQ(s.rotary[5], 2);
    EXPECT_EQ(s.padCount, 4);
}

TEST(DeviceFilter, CoarsensWheelsPositionsAndTouchByModel) {
    HidControlState s;
    s.rotaryCount = 2;
    s.rotary = {-63, 3};
    s.absoluteCount = 2;
    s.absoluteNew = {0x12FF, 0x34FF};
    s.hasTouch = true;
    s.touchNew = {0x0101, 0x0203};

    s.modelType = kModelKv5;
    HidControlState f = DeviceFilter::Filter(s);
    EXPECT_EQ(f.rotary[0], -32);  // toward zero
    EXPECT_EQ(f.rotary[1], 3);    // small wheels pass
    EXPECT_EQ(f.absoluteNew[0], 0x1200);

    s.modelType = kModelArdo;
    f = DeviceFilter::Filter(s);
    EXPECT_EQ(f.rotary[0], -62);
    EXPECT_EQ(f.absoluteNew[0], 0x12FF);  // the ARDO slider stays fine
    EXPECT_EQ(f.absoluteNew[1], 0x3400);
    EXPECT_EQ(f.touchNew, (std::array<uint16_t, 2>{0x0100, 0x0202}));

    s.modelType = kModelArdoRaw;
    EXPECT_EQ(DeviceFilter::Filter(s).rotary[0], -56);
    s.modelType = kModelKv10;
    EXPECT_EQ(DeviceFilter::Filter(s).rotary[0], -63);
}

}  // namespace
}  // namespace qmt
