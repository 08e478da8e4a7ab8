// The round-trip measurement's delay finder on made-up recordings: it must give the exact
// frame, tell a changed delay from a steady one, and refuse bursts it cannot see whole.

#include <gtest/gtest.h>

#include "vm/PulseDelay.h"

namespace qmt::vm {
namespace {

constexpr int32_t kLevel = 8192;
constexpr size_t kSpacing = 4800;

// Silence with a little deterministic noise, and the burst copied in at each place given.
std::vector<int32_t> recordingWith(const std::vector<int32_t>& burst, const std::vector<size_t>& at,
                                   size_t length) {
    std::vector<int32_t> recorded(length);
    uint32_t state = 12345;
    for (int32_t& sample : recorded) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<int32_t>(state >> 24) - 128;  // within ±128, far under the level
    }
    for (size_t start : at) {
        for (size_t k = 0; k < burst.size() && start + k < length; ++k)
            recorded[start + k] += burst[k];
    }
    return recorded;
}

TEST(PulseDelay, BurstIsTwoLevelsAndMatchesItselfOnlyUnshifted) {
    const std::vector<int32_t> burst = MakeBurst(256, kLevel, 7);
    for (int32_t sample : burst)
        ASSERT_EQ(std::abs(sample), kLevel);
    EXPECT_NE(MakeBurst(256, kLevel, 8), burst);
    // Shifted by one frame the burst must no longer pass as found.
    std::vector<int32_t> shifted(burst.begin() + 1, burst.end());
    shifted.push_back(0);
    const auto delays = FindBurstDelays(shifted, burst, {0}, 0, 0.9);
    EXPECT_FALSE(delays[0].has_value());
}

TEST(PulseDelay, FindsEachDelayToTheFrameAndAChangeShowsAsTwoValues) {
    const std::vector<int32_t> burst = MakeBurst(256, kLevel, 7);
    std::vector<size_t> played, heard;
    for (size_t k = 0; k < 6; ++k) {
        played.push_back(1000 + k * kSpacing);
        // The delay moves by one buffer of 133 frames after the third burst.
        heard.push_back(played.back() + (k < 3 ? 397 : 530));
    }
    std::vector<int32_t> recorded = recordingWith(burst, heard, 6 * kSpacing + 2000);
    // A click before the fourth burst comes first: the onset is early, the match is not.
    recorded[heard[3] - 100] = 2 * kLevel;
    const auto delays = FindBurstDelays(recorded, burst, played, 2000);
    ASSERT_EQ(delays.size(), 6u);
    for (size_t k = 0; k < 6; ++k) {
        ASSERT_TRUE(delays[k].has_value()) << k;
        EXPECT_EQ(*delays[k], k < 3 ? 397 : 530) << k;
    }
    const DelaySummary summary = SummariseDelays(delays);
    EXPECT_EQ(summary.found, 6u);
    EXPECT_EQ(summary.min, 397);
    EXPECT_EQ(summary.max, 530);
    EXPECT_EQ(summary.median, 530);
    EXPECT_EQ(summary.values, (std::vector<std::pair<int64_t, size_t>>{{397, 3}, {530, 3}}));
}

TEST(PulseDelay, ABurstCutByAGapOrMissingOrPastTheEndIsNotFound) {
    const std::vector<int32_t> burst = MakeBurst(256, kLevel, 3);
    const std::vector<size_t> played = {0, kSpacing, 2 * kSpacing, 3 * kSpacing};
    // The first comes back whole, the second with a missed half of 89 frames in its middle,
    // the third not at all, and the fourth only after the window of 1000 frames.
    std::vector<int32_t> recorded =
        recordingWith(burst, {300, kSpacing + 300, 3 * kSpacing + 1200}, 4 * kSpacing);
    for (size_t k = 80; k < 80 + 89; ++k)
        recorded[kSpacing + 300 + k] = 0;
    const auto delays = FindBurstDelays(recorded, burst, played, 1000);
    ASSERT_EQ(delays.size(), 4u);
    EXPECT_EQ(delays[0], std::optional<int64_t>(300));
    EXPECT_FALSE(delays[1].has_value()) << "a third of it missing";
    EXPECT_FALSE(delays[2].has_value()) << "only noise";
    EXPECT_FALSE(delays[3].has_value()) << "outside the window";
    // A burst played too close to the end of the recording to fit is not looked for.
    EXPECT_FALSE(FindBurstDelays(recorded, burst, {recorded.size() - 100}, 1000)[0].has_value());

    const DelaySummary summary = SummariseDelays(delays);
    EXPECT_EQ(summary.found, 1u);
    EXPECT_EQ(summary.median, 300);
    EXPECT_EQ(SummariseDelays({}).found, 0u);
}

}  // namespace
}  // namespace qmt::vm
