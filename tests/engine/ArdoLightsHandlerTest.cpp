// MIDI to lights on the ARDO models: listening mask, LED halves with blink codes and the
// attribute, the indicators, the writer's blink tick and refresh, deck values, framing.

#include <gtest/gtest.h>

#include "HandlerRig.h"
#include "engine/ArdoHandlerAbs.h"

namespace qmt::test {
namespace {

using Report = std::vector<uint8_t>;

// An ARDO (or other ARDO model) with both presets live on the given input channels, the
// first report seen, and the writer started.
struct LightsRig : HandlerRig {
    explicit LightsRig(uint8_t model = kModelArdo, uint8_t firstChannel = 0,
                       uint8_t secondChannel = 1)
        : HandlerRig(model) {
        const auto [first, second] = Slots(model);
        inputChannel(first, firstChannel)
            .inputChannel(second, secondChannel)
            .apply({first, second});
        handler->StartWriter();
        written();
    }
    static std::pair<int, int> Slots(uint8_t model) {
        if (model == kModelArdo) return {2, 1};
        if (model == kModelArdoRawProto2009) return {4, 3};
        return {6, 5};
    }
    ArdoHandlerAbs& ardo() { return static_cast<ArdoHandlerAbs&>(*handler); }
    std::vector<Report> writeAt(int64_t ms) {
        clock.set(Ms(ms));
        EXPECT_EQ(handler->WriterStep(), kStatusSuccess);
        return written();
    }
    void deck(uint8_t bit) { feed(ArdoReport().deck(bit)); }
};

Report LedReport(uint8_t command, uint8_t length, std::vector<uint8_t> leds) {
    Report r(33, 0);
    r[1] = command;
    r[2] = length;
    std::copy(leds.begin(), leds.end(), r.begin() + 3);
    return r;
}

std::vector<uint8_t> Leds(std::initializer_list<std::pair<size_t, uint8_t>> lit, size_t count) {
    std::vector<uint8_t> leds(count, 0);
    for (auto [index, value] : lit)
        leds[index] = value;
    return leds;
}

TEST(ArdoLights, NoteOnLightsOneLedOfEachAddressedDeck) {
    LightsRig rig;
    rig.midi({0x90, 5, 0x3F});   // channel 0: the first preset's half
    rig.midi({0x91, 35, 0x3F});  // channel 1: the second preset's half, second ring
    EXPECT_TRUE(rig.handler->writerWakePending());
    const auto w = rig.writeAt(1000);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0], LedReport(20, 32, Leds({{5, 0x0F}}, 30)));
    EXPECT_EQ(w[1], LedReport(21, 32, Leds({{5, 0xF0}}, 30)));
    EXPECT_TRUE(rig.ardo().writerTimerArmed());
}

TEST(ArdoLights, ChannelsNobodyListensToChangeNothing) {
    LightsRig rig;
    rig.midi({0x95, 5, 0x3F});
    EXPECT_FALSE(rig.handler->writerWakePending());
    EXPECT_TRUE(rig.writeAt(1000).empty());
}

TEST(ArdoLights, OmniInputChannelListensEverywhere) {
    LightsRig rig(kModelArdo, 254, 3);
    rig.midi({0x9C, 62, 0x3F});  // channel 12: only the first preset listens
    rig.midi({0x93, 63, 0x3F});  // channel 3: both
    const auto w = rig.writeAt(1000);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0], LedReport(22, 24, Leds({{2, 0x0F}, {3, 0xFF}}, 22)));
}

TEST(ArdoLights, NoteTableEndsAtGroupThreeAndIndicators) {
    LightsRig rig;
    rig.midi({0x90, 101, 0x3F});  // last LED of group 3
    rig.midi({0x90, 108, 0x3F});  // ignored
    const auto w = rig.writeAt(1000);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0], LedReport(23, 22, Leds({{19, 0x0F}}, 20)));
}

TEST(ArdoLights, UnchangedGroupsAreRepeatedEveryTwoAndAHalfSeconds) {
    LightsRig rig;
    rig.midi({0x90, 60, 0x3F});
    EXPECT_EQ(rig.writeAt(1000).size(), 1u);
    EXPECT_TRUE(rig.writeAt(1020).empty());
    EXPECT_TRUE(rig.writeAt(3480).empty());
    EXPECT_EQ(rig.writeAt(3500).size(), 1u);
}

TEST(ArdoLights, BlinkCodeZeroTogglesEveryTick) {
    LightsRig rig;
    rig.midi({0x90, 60, 0x07});  // lit, blink code 0
    EXPECT_EQ(rig.writeAt(1000).at(0)[3], 0x0F);
    EXPECT_TRUE(rig.writeAt(1100).empty());
    EXPECT_EQ(rig.writeAt(1150).at(0)[3], 0x00);
    EXPECT_EQ(rig.writeAt(1300).at(0)[3], 0x0F);
}

TEST(ArdoLights, BlinkCodeTwoChangesEveryThirdTick) {
    LightsRig rig;
    rig.midi({0x90, 60, 0x17});  // lit, blink code 2
    rig.writeAt(1000);
    EXPECT_TRUE(rig.writeAt(1150).empty());
    EXPECT_TRUE(rig.writeAt(1300).empty());
    EXPECT_EQ(rig.writeAt(1450).at(0)[3], 0x00);
}

TEST(ArdoLights, VelocityZeroTurnsOff) {
    LightsRig rig;
    rig.midi({0x90, 60, 0x3F});
    rig.writeAt(1000);
    rig.midi({0x90, 60, 0x00});
    EXPECT_EQ(rig.writeAt(1020).at(0)[3], 0x00);
    rig.midi({0x90, 61});  // two bytes: velocity 0
    EXPECT_TRUE(rig.writeAt(1040).empty());
}

TEST(ArdoLights, AttributeHalfShowsOnlyForItsDeckPosition) {
    LightsRig rig;
    rig.midi({0x90, 60, 0x7F});
    rig.deck(1);
    EXPECT_EQ(rig.writeAt(1000).at(0)[3], 0x00);
    rig.deck(0);
    EXPECT_EQ(rig.writeAt(1020).at(0)[3], 0x0F);
}

TEST(ArdoLights, StatusWordChangeSendsEverythingAgain) {
    LightsRig rig;
    rig.midi({0x90, 60, 0x3F});
    rig.midi({0x90, 0, 0x3F});
    rig.feed(ArdoReport());
    EXPECT_EQ(rig.writeAt(1000).size(), 3u);
    rig.feed(ArdoReport().status(7));
    EXPECT_TRUE(rig.handler->writerWakePending());
    EXPECT_EQ(rig.writeAt(1020).size(), 3u);
}

TEST(ArdoLights, RingIndicatorLightsThreeNeighboursMovingDown) {
    LightsRig rig;
    rig.midi({0x90, 102, 0});
    auto w = rig.writeAt(1000);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0], LedReport(20, 32, Leds({{0, 0x0F}, {1, 0x0F}, {2, 0x0F}}, 30)));
    EXPECT_EQ(w[1], LedReport(21, 32, Leds({{0, 0x0F}, {1, 0x0F}, {2, 0x0F}}, 30)));
    rig.midi({0x90, 102, 2});  // f = 1: LEDs 29, 0, 1
    w = rig.writeAt(1020);
    EXPECT_EQ(w.at(0), LedReport(20, 32, Leds({{29, 0x0F}, {0, 0x0F}, {1, 0x0F}}, 30)));
    EXPECT_EQ(w.at(1), LedReport(21, 32, Leds({{29, 0x0F}, {0, 0x0F}, {1, 0x0F}}, 30)));
}

TEST(ArdoLights, GroupThreeIndicatorFallsOffAroundThePosition) {
    LightsRig rig;
    rig.midi({0x91, 103, 5});     // p = 5: LED 1 at distance 1, LED 2 at distance 3
    rig.midi({0x90, 100, 0x3F});  // LED 18 lies beyond the indicator and keeps its state
    const auto w = rig.writeAt(1000);
    EXPECT_EQ(w.at(0), LedReport(23, 22, Leds({{1, 0xB0}, {2, 0x30}, {18, 0x0F}}, 20)));
}

TEST(ArdoLights, FurtherIndicatorsAreBarsOnTheRings) {
    LightsRig rig;
    rig.midi({0x90, 104, 9});   // (9 + 1) / 2 = 5 LEDs on the first ring
    rig.midi({0x90, 105, 63});  // 32, capped at the ring's 30
    const auto w = rig.writeAt(1000);
    std::vector<uint8_t> five(30, 0);
    std::fill_n(five.begin(), 5, 0x0F);
    EXPECT_EQ(w.at(0), LedReport(20, 32, five));
    EXPECT_EQ(w.at(1), LedReport(21, 32, std::vector<uint8_t>(30, 0x0F)));
}

TEST(ArdoLights, LevelMetersOverlayTheRingsFromTheirEnd) {
    LightsRig rig;
    rig.midi({0x90, 5, 0x3F});
    rig.midi({0x90, 106, 31});  // level 8: 15 LEDs from LED 29 down, dim
    EXPECT_EQ(rig.ardo().lights().meterLevel(0, 0), 8);
    auto w = rig.writeAt(1000);
    std::vector<uint8_t> ring(30, 0);
    std::fill(ring.begin() + 15, ring.end(), ArdoLights::kMeterBrightness);
    ring[5] = 0x0F;
    EXPECT_EQ(w.at(0), LedReport(20, 32, ring));
    rig.midi({0x90, 106, 0});  // level 0: the ring's own LEDs remain
    w = rig.writeAt(1020);
    EXPECT_EQ(w.at(0), LedReport(20, 32, Leds({{5, 0x0F}}, 30)));
}

TEST(ArdoLights, DeckValuesGoToTheirReportAndMarkTheRings) {
    LightsRig rig;
    rig.midi({0xB1, 64, 64});      // second deck: 64 * 512 = 32768
    rig.midi({0xE0, 0x7F, 0x7F});  // first deck: 16383 * 4 = 65532
    const auto w = rig.writeAt(1000);
    ASSERT_EQ(w.size(), 3u);
    Report values(33, 0);
    values[1] = 6;
    values[2] = 7;
    values[3] = 3;
    values[4] = 0xFC;
    values[5] = 0xFF;
    values[6] = 0x00;
    values[7] = 0x80;
    EXPECT_EQ(w[2], values);
    const uint8_t marker = ArdoLights::kDeckMarkerBrightness;
    EXPECT_EQ(w[0], LedReport(20, 32, Leds({{29, marker}, {15, uint8_t(marker << 4)}}, 30)));
    EXPECT_TRUE(rig.writeAt(1020).empty());  // nothing pending any more
}

TEST(ArdoLights, OtherModelsUseTheirOwnNoteTable) {
    LightsRig rig(kModelArdoRaw);
    rig.midi({0x90, 82, 0x3F});  // 23rd LED of group 2
    rig.midi({0x90, 88, 0x3F});  // ignored
    rig.midi({0xB0, 64, 64});    // no deck values on this model
    const auto w = rig.writeAt(1000);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0], LedReport(22, 25, Leds({{22, 0x0F}}, 23)));
    rig.midi({0x90, 83, 0});  // ring indicator
    EXPECT_EQ(rig.writeAt(1020).size(), 2u);
}

TEST(ArdoLights, KvControllersIgnoreMidi) {
    HandlerRig rig(kModelKv5);
    EXPECT_FALSE(rig.handler->AcceptsMidi());
    rig.apply({0});
    rig.handler->StartWriter();
    rig.midi({0x90, 5, 0x3F});
    EXPECT_FALSE(rig.handler->writerWakePending());
    EXPECT_FALSE(NtSuccess(rig.handler->WriterStep()));
    EXPECT_TRUE(rig.device->written().empty());
}

TEST(ArdoLights, FailedWriteStopsOutputUntilTheWriterStartsAgain) {
    LightsRig rig;
    rig.midi({0x90, 5, 0x3F});
    rig.device->SetWriteFails(true);
    EXPECT_EQ(rig.handler->WriterStep(), kStatusUnexpectedIoError);
    EXPECT_FALSE(rig.ardo().outputEnabled());
    rig.device->SetWriteFails(false);
    EXPECT_TRUE(rig.writeAt(1000).empty());
    rig.handler->StartWriter();
    EXPECT_EQ(rig.writeAt(1020).size(), 2u);
}

TEST(ArdoLights, ResetOutputWritesWhatTheBatchesChangedOnceThenStops) {
    LightsRig rig;
    rig.midi({0x90, 62, 0x3F});  // group 2
    rig.midi({0xB0, 64, 1});     // a deck value, with its marker on the rings
    rig.clock.set(Ms(1000));
    rig.handler->ResetOutput();
    const auto flushed = rig.written();
    ASSERT_EQ(flushed.size(), 4u);
    EXPECT_EQ(flushed[0][1], 20);
    EXPECT_EQ(flushed[1][1], 21);
    EXPECT_EQ(flushed[2], LedReport(22, 24, Leds({{2, 0x0F}}, 22)));
    EXPECT_EQ(flushed[3][1], 6);
    EXPECT_FALSE(rig.ardo().outputEnabled());
    EXPECT_FALSE(rig.ardo().writerTimerArmed());
    EXPECT_TRUE(rig.writeAt(1020).empty());
    EXPECT_TRUE(rig.writeAt(5000).empty()) << "no refresh and no blinking once stopped";
    rig.handler->StartWriter();
    const auto w = rig.writeAt(5020);
    ASSERT_EQ(w.size(), 3u);  // every used group again; the deck value went out already
    EXPECT_EQ(w[2][1], 22);
}

TEST(ArdoLights, ResetOutputSendsOnlyWhatChangedAndAFailedWriteChangesNothingElse) {
    LightsRig rig;
    rig.midi({0x90, 62, 0x3F});
    EXPECT_EQ(rig.writeAt(1000).size(), 1u);
    rig.midi({0x90, 5, 0x3F});  // the rings change; group 2 was sent already
    rig.device->SetWriteFails(true);
    rig.handler->ResetOutput();
    rig.device->SetWriteFails(false);
    EXPECT_TRUE(rig.written().empty());
    EXPECT_EQ(rig.handler->errorCount(), 0u);
    EXPECT_TRUE(rig.writeAt(1020).empty());
    rig.handler->StartWriter();
    EXPECT_EQ(rig.writeAt(1040).size(), 3u);
}

}  // namespace
}  // namespace qmt::test
