// The composite device's small parts: the accumulators' way to the host, the timer mode's
// schedule and the streaming thread's wait list.

#include <gtest/gtest.h>

#include <cstring>

#include "asio/AccumulatorSaturation.h"
#include "asio/AsioChannelBuffers.h"
#include "asio/AsioSamplePosition.h"
#include "asio/StreamTimer.h"
#include "asio/StreamingWaitList.h"
#include "common/Event.h"

namespace qmt {
namespace {

TEST(AccumulatorSaturationTest, SumsAreLimitedToTheSampleWidth) {
    const int32_t sums[] = {40000, -40000, 1234, -8388609, 8388608, -5};
    int16_t out16[6];
    saturateAccumulator(sums, out16, 6, 16);
    EXPECT_EQ(out16[0], 32767);
    EXPECT_EQ(out16[1], -32768);
    EXPECT_EQ(out16[2], 1234);

    uint8_t out24[18];
    saturateAccumulator(sums, out24, 6, 24);
    EXPECT_EQ(std::memcmp(out24 + 9, "\x00\x00\x80", 3), 0) << "-8388609 -> -8388608";
    EXPECT_EQ(std::memcmp(out24 + 12, "\xFF\xFF\x7F", 3), 0) << "8388608 -> 8388607";
    EXPECT_EQ(std::memcmp(out24 + 15, "\xFB\xFF\xFF", 3), 0) << "low byte first";

    int32_t out32[6];
    saturateAccumulator(sums, out32, 6, 32);
    EXPECT_EQ(out32[3], -8388609);
}

TEST(AsioChannelBuffersTest, PublishingAnInputEmptiesItsSumsAndSilencingClearsBothHalves) {
    bool inputInUse[16] = {};
    inputInUse[3] = true;
    AsioChannelBuffers buffers;
    ASSERT_TRUE(buffers.allocate(inputInUse, 4, 16));
    EXPECT_EQ(buffers.accumulator(2), nullptr) << "only inputs in use sum";
    int32_t* sums = buffers.accumulator(3);
    sums[0] = 100000;
    sums[3] = -7;
    buffers.publishInput(3, 1);
    const auto* half1 = static_cast<const int16_t*>(buffers.input(3, 1));
    EXPECT_EQ(half1[0], 32767);
    EXPECT_EQ(half1[3], -7);
    EXPECT_EQ(static_cast<const int16_t*>(buffers.input(3, 0))[0], 0) << "other half untouched";
    EXPECT_EQ(sums[0], 0);

    sums[1] = 5;
    buffers.silenceInput(3);
    EXPECT_EQ(sums[1], 0);
    EXPECT_EQ(half1[0], 0);
}

TEST(StreamTimerTest, PeriodKeepsItsFractionAndTheScheduleCatchesUpWhenLate) {
    EXPECT_EQ(StreamTimer::periodOf(48, 48000.0), uint64_t{1} << 32) << "1 ms";
    // 256 frames at 44.1 kHz: 5.8049... ms; the fraction adds up over switches.
    StreamTimer timer(StreamTimer::periodOf(256, 44100.0));
    timer.restart(1000);
    EXPECT_EQ(timer.timeoutMs(1000), 5u);
    uint32_t now = 1000;
    for (int i = 0; i < 100; ++i) {
        now += timer.timeoutMs(now);
        timer.elapse();
    }
    EXPECT_EQ(now, 1580u) << "100 periods are 580.5 ms";

    // A thread that slept through several periods switches at once and starts over.
    EXPECT_EQ(timer.timeoutMs(now + 50), 0u);
    timer.elapse();
    EXPECT_EQ(timer.timeoutMs(now + 50), 5u);
}

TEST(StreamTimerTest, TickWrapAroundDoesNotDisturbTheSchedule) {
    StreamTimer timer(StreamTimer::periodOf(480, 48000.0));  // 10 ms
    timer.restart(0xFFFFFFFBu);
    EXPECT_EQ(timer.timeoutMs(0xFFFFFFFFu), 6u);
    EXPECT_EQ(timer.timeoutMs(3), 2u);
}

TEST(StreamingWaitListTest, FiltersLeaveTheirSlotsAndLaterSlotsMoveDown) {
    Event controls[2] = {Event(false), Event(false)};
    Waitable* controlList[] = {&controls[0], &controls[1]};
    StreamingWaitList list(controlList);
    Event a(false), b(false), c(false);
    auto* fa = reinterpret_cast<KsAudioFilter*>(0x10);
    auto* fb = reinterpret_cast<KsAudioFilter*>(0x20);
    auto* fc = reinterpret_cast<KsAudioFilter*>(0x30);
    list.add(fa, &a);
    list.add(fb, &b);
    list.add(fc, &c);
    EXPECT_EQ(list.filterAt(1), nullptr) << "a control slot";
    list.removeSlot(3);
    EXPECT_EQ(list.filterAt(3), fc);
    EXPECT_EQ(list.objects()[3], &c);
    EXPECT_FALSE(list.remove(fb));
    EXPECT_TRUE(list.remove(fa));
    EXPECT_TRUE(list.remove(fc));
    EXPECT_TRUE(list.onlyControls());
}

TEST(AsioSamplePositionTest, PositionCarriesIntoTheHighWordAndStampsAreNanoseconds) {
    AsioSamplePosition position;
    ASIOSamples samples;
    ASIOTimeStamp stamp;
    position.advance(0xFFFFFFFFu, 5, samples, stamp);
    position.advance(2, counterToNanoseconds(30'000'000'005, 10'000'000), samples, stamp);
    EXPECT_EQ(samples.hi, 1u);
    EXPECT_EQ(samples.lo, 1u);
    const uint64_t ns = uint64_t{stamp.hi} << 32 | stamp.lo;
    EXPECT_EQ(ns, 3'000'000'000'500u);
}

}  // namespace
}  // namespace qmt
