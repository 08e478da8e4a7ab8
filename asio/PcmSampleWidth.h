#pragma once
// Moving samples between the hardware's interleaved layout and one channel at the ASIO
// width, for 16, 24 and 32-bit samples (little endian): a wider width keeps the value in the
// upper bits (a left shift), a narrower one keeps the upper bits (an arithmetic right shift).
// The loops are made once per pair of widths, so the streaming thread's per-sample work is a
// load, a shift and a store.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qmt {

inline int32_t changeSampleWidth(int32_t value, uint32_t fromBits, uint32_t toBits) {
    if (toBits >= fromBits) {
        return static_cast<int32_t>(static_cast<uint32_t>(value) << (toBits - fromBits));
    }
    return value >> (fromBits - toBits);
}

namespace pcm_detail {

// The loads and stores copy the low bytes of a 32-bit value as they lie in memory.
static_assert(std::endian::native == std::endian::little, "samples are read as little endian");

template <unsigned Bytes>
inline int32_t load(const uint8_t* at) {
    uint32_t raw = 0;
    std::memcpy(&raw, at, Bytes);  // little-endian host
    constexpr unsigned shift = 32 - 8 * Bytes;
    return static_cast<int32_t>(raw << shift) >> shift;
}

template <unsigned Bytes>
inline void store(uint8_t* at, int32_t value) {
    std::memcpy(at, &value, Bytes);
}

template <unsigned From, unsigned To>
inline int32_t widen(int32_t value) {
    if constexpr (To >= From) {
        return static_cast<int32_t>(static_cast<uint32_t>(value) << (8 * (To - From)));
    } else {
        return value >> (8 * (From - To));
    }
}

// One sample from one width to another; the same width is a plain copy of its bytes.
template <unsigned From, unsigned To>
inline void convert(const uint8_t* in, uint8_t* out) {
    if constexpr (From == To) {
        std::memcpy(out, in, To);
    } else {
        store<To>(out, widen<From, To>(load<From>(in)));
    }
}

template <unsigned Hw, unsigned Asio>
void deinterleave(const uint8_t* frames, size_t channels, size_t channel, size_t count,
                  uint8_t* out) {
    const uint8_t* in = frames + channel * Hw;
    for (size_t i = 0; i < count; ++i, in += channels * Hw, out += Asio)
        convert<Hw, Asio>(in, out);
}

template <unsigned Asio, unsigned Hw>
void interleave(const uint8_t* in, size_t count, uint8_t* frames, size_t channels, size_t channel) {
    uint8_t* out = frames + channel * Hw;
    for (size_t i = 0; i < count; ++i, in += Asio, out += channels * Hw)
        convert<Asio, Hw>(in, out);
}

template <unsigned Asio>
void accumulate(const uint8_t* in, size_t count, int32_t* sums) {
    for (size_t i = 0; i < count; ++i, in += Asio)
        sums[i] += load<Asio>(in);
}

}  // namespace pcm_detail

// One channel out of interleaved hardware frames, at the ASIO width.
using DeinterleaveFunction = void (*)(const uint8_t* frames, size_t channels, size_t channel,
                                      size_t count, uint8_t* out);
// One channel at the ASIO width into interleaved hardware frames.
using InterleaveFunction = void (*)(const uint8_t* in, size_t count, uint8_t* frames,
                                    size_t channels, size_t channel);
// Samples at the ASIO width added to 32-bit sums.
using AccumulateFunction = void (*)(const uint8_t* in, size_t count, int32_t* sums);

// Null for a width other than 16, 24 or 32 bits.
DeinterleaveFunction deinterleaveFunction(uint32_t hardwareBits, uint32_t asioBits);
InterleaveFunction interleaveFunction(uint32_t asioBits, uint32_t hardwareBits);
AccumulateFunction accumulateFunction(uint32_t asioBits);

}  // namespace qmt
