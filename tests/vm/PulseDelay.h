#pragma once
// Finding how late a played signal comes back in a recording: the round-trip measurement
// (tests/vm/RoundTripMeasure.cpp) plays a burst of pseudo-random samples once a second and
// looks for each burst in what it recorded. Plain functions on sample vectors, so the host's
// unit tests check them on made-up recordings.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qmt::vm {

// `length` samples of +level or -level in a pseudo-random order fixed by `seed`: every
// sample is far from zero (its first one marks the onset) and the burst matches itself
// only at lag 0 (a shift by a few frames is told apart).
std::vector<int32_t> MakeBurst(size_t length, int32_t level, uint32_t seed);

// For the burst played at each of `playedAt` (frames from the start of the played stream),
// its delay into `recorded` (mono, the same clock): the shift in [0, maxDelay] where the
// recording best matches the burst. The onset is the first sample from the played position
// on whose size exceeds half the burst's level; the match is then searched from there to a
// burst's length on, so a click just before the burst does not hide it. None when nothing rises
// above half the level in the window or the best match's normalised correlation is under
// `minCorrelation` (a burst cut by a gap, or noise).
std::vector<std::optional<int64_t>> FindBurstDelays(const std::vector<int32_t>& recorded,
                                                    const std::vector<int32_t>& burst,
                                                    const std::vector<size_t>& playedAt,
                                                    size_t maxDelay, double minCorrelation = 0.9);

struct DelaySummary {
    size_t found = 0;  // of the bursts played
    int64_t median = 0, min = 0, max = 0;
    // The values present, each with how often (sorted by value): a delay that changed during
    // the run shows as two or more.
    std::vector<std::pair<int64_t, size_t>> values;
};

DelaySummary SummariseDelays(const std::vector<std::optional<int64_t>>& delays);

}  // namespace qmt::vm
