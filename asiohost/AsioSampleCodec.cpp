#include "asiohost/AsioSampleCodec.h"

namespace qmt::asiohost {

uint32_t sampleTypeBits(ASIOSampleType type) {
    switch (type) {
        case ASIOSTInt16LSB:
            return 16;
        case ASIOSTInt24LSB:
            return 24;
        case ASIOSTInt32LSB:
            return 32;
        default:
            return 0;
    }
}

void writeAsioSample(void* buffer, size_t index, uint32_t bits, int32_t fullScale) {
    const uint32_t bytes = bits / 8;
    auto* out = static_cast<uint8_t*>(buffer) + index * bytes;
    const auto value = static_cast<uint32_t>(fromFullScale(fullScale, bits));
    for (uint32_t i = 0; i < bytes; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

int32_t readAsioSample(const void* buffer, size_t index, uint32_t bits) {
    const uint32_t bytes = bits / 8;
    const auto* in = static_cast<const uint8_t*>(buffer) + index * bytes;
    uint32_t value = 0;
    for (uint32_t i = 0; i < bytes; ++i)
        value |= uint32_t{in[i]} << (8 * i);
    return toFullScale(static_cast<int32_t>(value), bits);
}

}  // namespace qmt::asiohost
