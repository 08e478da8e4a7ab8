#include "platform/linux/AlsaDataRanges.h"

#include <algorithm>

#include "platform/PcmWaveFormat.h"

namespace qmt {

namespace {

constexpr unsigned kWidths[] = {16, 24, 32};
constexpr unsigned kStandardRates[] = {8000,  11025, 16000, 22050,  32000,  44100,  48000,
                                       64000, 88200, 96000, 176400, 192000, 352800, 384000};

// One range per run of widths taken at `probeRate`, each over minRate..maxRate.
void addWidthRuns(PcmCapabilitiesIf& pcm, unsigned channels, unsigned probeRate, unsigned minRate,
                  unsigned maxRate, std::vector<KSDATARANGE_AUDIO>& ranges) {
    unsigned runStart = 0;
    unsigned runEnd = 0;
    for (unsigned bits : kWidths) {
        if (pcm.accepts(channels, bits, probeRate)) {
            if (runStart == 0) runStart = bits;
            runEnd = bits;
            continue;
        }
        if (runStart != 0)
            ranges.push_back(MakePcmDataRange(channels, runStart, runEnd, minRate, maxRate));
        runStart = 0;
    }
    if (runStart != 0)
        ranges.push_back(MakePcmDataRange(channels, runStart, runEnd, minRate, maxRate));
}

bool takesAnyWidth(PcmCapabilitiesIf& pcm, unsigned channels, unsigned rate) {
    return std::any_of(std::begin(kWidths), std::end(kWidths),
                       [&](unsigned bits) { return pcm.accepts(channels, bits, rate); });
}

}  // namespace

std::vector<KSDATARANGE_AUDIO> MakeDataRanges(PcmCapabilitiesIf& pcm) {
    std::vector<KSDATARANGE_AUDIO> ranges;
    unsigned minChannels = 0;
    unsigned maxChannels = 0;
    if (!pcm.channelRange(minChannels, maxChannels)) return ranges;
    for (unsigned c = std::max(minChannels, 1u); c <= std::min(maxChannels, kMaxRangeChannels);
         ++c) {
        unsigned minRate = 0;
        unsigned maxRate = 0;
        if (!pcm.rateRange(c, minRate, maxRate) || minRate == 0) continue;
        // A rate just above the lowest is no standard rate: a card that takes it takes them all.
        if (minRate < maxRate && takesAnyWidth(pcm, c, minRate + 1)) {
            addWidthRuns(pcm, c, minRate, minRate, maxRate, ranges);
            continue;
        }
        for (unsigned rate : kStandardRates) {
            if (rate >= minRate && rate <= maxRate) addWidthRuns(pcm, c, rate, rate, rate, ranges);
        }
    }
    return ranges;
}

}  // namespace qmt
