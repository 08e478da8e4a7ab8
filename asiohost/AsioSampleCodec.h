#pragma once
// Samples between the host's full-scale 32-bit values and the driver's buffers (16-bit,
// packed 24-bit or 32-bit, low byte first) and WAV files of any of those widths.

#include <cstddef>
#include <cstdint>

#include "asio/AsioTypes.h"

namespace qmt::asiohost {

// Bits of a sample type; 0 for types the host does not handle.
uint32_t sampleTypeBits(ASIOSampleType type);

void writeAsioSample(void* buffer, size_t index, uint32_t bits, int32_t fullScale);
int32_t readAsioSample(const void* buffer, size_t index, uint32_t bits);

inline int32_t toFullScale(int32_t sample, uint32_t bits) {
    return static_cast<int32_t>(static_cast<uint32_t>(sample) << (32 - bits));
}
inline int32_t fromFullScale(int32_t fullScale, uint32_t bits) {
    return fullScale >> (32 - bits);
}

}  // namespace qmt::asiohost
