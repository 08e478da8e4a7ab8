#pragma once
// Moving a sample between the hardware's width and the ASIO width (16, 24 or 32 bits, little
// endian): wider keeps the value in the upper bits (a left shift), narrower keeps the upper
// bits (an arithmetic right shift), as the processing of the halves does.

#include <cstdint>

#include "platform/PcmWaveFormat.h"

namespace qmt {

inline int32_t changeSampleWidth(int32_t value, uint32_t fromBits, uint32_t toBits) {
    if (toBits >= fromBits) {
        return static_cast<int32_t>(static_cast<uint32_t>(value) << (toBits - fromBits));
    }
    return value >> (fromBits - toBits);
}

// Reads the `index`-th sample of `bits` from packed little-endian memory.
inline int32_t readPackedSample(const void* memory, size_t index, uint32_t bits) {
    return ReadPcmSample(static_cast<const uint8_t*>(memory) + index * (bits / 8), bits / 8);
}

inline void writePackedSample(void* memory, size_t index, uint32_t bits, int32_t value) {
    WritePcmSample(static_cast<uint8_t*>(memory) + index * (bits / 8), bits / 8, value);
}

}  // namespace qmt
