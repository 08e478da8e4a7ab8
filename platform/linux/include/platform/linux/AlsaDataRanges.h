#pragma once
// A PCM's hardware parameters as kernel-streaming data ranges. The audio layer accepts a
// format only from a range whose MaximumChannels equals the format's channel count, the way
// USB cards list one range per channel layout, so every channel count the PCM takes gets
// ranges of its own. Rates a card takes over a whole interval (a loopback or a resampling
// card) become one range over the interval; cards with fixed rates (USB cards) get one range
// per standard rate they take. Widths are 16, 24 (packed in three bytes) and 32 bits, joined
// into one range where they are contiguous.

#include <vector>

#include "platform/KsTypes.h"

namespace qmt {

// What a PCM takes, asked one combination at a time.
class PcmCapabilitiesIf {
  public:
    virtual ~PcmCapabilitiesIf() = default;
    virtual bool channelRange(unsigned& min, unsigned& max) = 0;
    virtual bool rateRange(unsigned channels, unsigned& min, unsigned& max) = 0;
    virtual bool accepts(unsigned channels, unsigned bits, unsigned rate) = 0;
};

// Channel counts beyond this get no ranges: no controller has more, and the device joins at
// most 16 channels in each direction.
inline constexpr unsigned kMaxRangeChannels = 16;

std::vector<KSDATARANGE_AUDIO> MakeDataRanges(PcmCapabilitiesIf& pcm);

}  // namespace qmt
