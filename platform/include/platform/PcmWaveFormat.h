#pragma once
// A PCM wave format as a card backend reads it from the bytes a pin is created with, and the
// little-endian sample layouts of 16, 24 and 32 bits that cards exchange.

#include <cstdint>
#include <span>

#include "common/Guid.h"
#include "platform/KsTypes.h"

namespace qmt {

struct PcmWaveFormat {
    bool extensible = false;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
    uint16_t blockAlign = 0;
    uint16_t validBits = 0;    // the extensible form's; bitsPerSample otherwise
    uint32_t channelMask = 0;  // the extensible form's; 0 otherwise
};

// Reads a WAVEFORMATEX (tag PCM) or a WAVEFORMATEXTENSIBLE (PCM sub-format). False for any
// other tag or sub-format, bytes shorter than the format says, no channels, no rate, or a
// block align other than channels × bytes per sample.
bool DecodePcmWaveFormat(std::span<const uint8_t> bytes, PcmWaveFormat& format);

// A data range of PCM in the WAVEFORMATEX form of the "auds" major format.
KSDATARANGE_AUDIO MakePcmDataRange(uint32_t channels, uint32_t minBits, uint32_t maxBits,
                                   uint32_t minRate, uint32_t maxRate);

// One sample of `bytes` (2, 3 or 4) bytes, low byte first, sign-extended.
inline int32_t ReadPcmSample(const uint8_t* at, unsigned bytes) {
    uint32_t raw = 0;
    for (unsigned i = 0; i < bytes; ++i)
        raw |= static_cast<uint32_t>(at[i]) << (8 * i);
    const unsigned shift = 32 - 8 * bytes;
    return static_cast<int32_t>(raw << shift) >> shift;
}

inline void WritePcmSample(uint8_t* at, unsigned bytes, int32_t value) {
    for (unsigned i = 0; i < bytes; ++i)
        at[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

}  // namespace qmt
