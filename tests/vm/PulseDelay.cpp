#include "PulseDelay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace qmt::vm {

std::vector<int32_t> MakeBurst(size_t length, int32_t level, uint32_t seed) {
    std::vector<int32_t> burst(length);
    uint32_t state = seed == 0 ? 1 : seed;
    for (int32_t& sample : burst) {
        // xorshift32: the top bit of each step picks the sign.
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        sample = (state & 0x80000000u) != 0 ? level : -level;
    }
    return burst;
}

namespace {

// The normalised correlation of the burst with the recording from `at` on (the burst must
// fit); 0 where the recording is silent.
double correlationAt(const std::vector<int32_t>& recorded, const std::vector<int32_t>& burst,
                     size_t at, double burstEnergy) {
    double product = 0, energy = 0;
    for (size_t k = 0; k < burst.size(); ++k) {
        const auto x = static_cast<double>(recorded[at + k]);
        product += x * static_cast<double>(burst[k]);
        energy += x * x;
    }
    if (energy <= 0) return 0;
    return product / std::sqrt(energy * burstEnergy);
}

}  // namespace

std::vector<std::optional<int64_t>> FindBurstDelays(const std::vector<int32_t>& recorded,
                                                    const std::vector<int32_t>& burst,
                                                    const std::vector<size_t>& playedAt,
                                                    size_t maxDelay, double minCorrelation) {
    std::vector<std::optional<int64_t>> delays;
    int64_t level = 0;
    double burstEnergy = 0;
    for (int32_t sample : burst) {
        level = std::max<int64_t>(level, std::abs(static_cast<int64_t>(sample)));
        burstEnergy += static_cast<double>(sample) * sample;
    }
    const size_t length = burst.size();
    for (size_t played : playedAt) {
        std::optional<int64_t> delay;
        delays.push_back(delay);
        if (length == 0 || recorded.size() < length || played > recorded.size() - length) continue;
        const size_t lastStart = std::min(played + maxDelay, recorded.size() - length);
        size_t onset = played;
        while (onset <= lastStart && 2 * std::abs(static_cast<int64_t>(recorded[onset])) <= level)
            ++onset;
        if (onset > lastStart) continue;
        // A click before the burst may be the onset: the burst is looked for a length on.
        const size_t to = std::min(lastStart, onset + length);
        double best = -1;
        size_t bestAt = onset;
        for (size_t at = onset; at <= to; ++at) {
            const double correlation = correlationAt(recorded, burst, at, burstEnergy);
            if (correlation > best) {
                best = correlation;
                bestAt = at;
            }
        }
        if (best >= minCorrelation)
            delays.back() = static_cast<int64_t>(bestAt) - static_cast<int64_t>(played);
    }
    return delays;
}

DelaySummary SummariseDelays(const std::vector<std::optional<int64_t>>& delays) {
    DelaySummary summary;
    std::vector<int64_t> found;
    std::map<int64_t, size_t> counts;
    for (const auto& delay : delays) {
        if (!delay) continue;
        found.push_back(*delay);
        ++counts[*delay];
    }
    summary.found = found.size();
    if (found.empty()) return summary;
    std::sort(found.begin(), found.end());
    summary.min = found.front();
    summary.max = found.back();
    summary.median = found[found.size() / 2];
    summary.values.assign(counts.begin(), counts.end());
    return summary;
}

}  // namespace qmt::vm
