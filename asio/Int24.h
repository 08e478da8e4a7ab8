#pragma once
// A 24-bit signed sample as the sound cards and the host exchange it: three bytes, low byte
// first, with no padding, so arrays of it have the hardware's exact layout.

#include <cstdint>

namespace qmt {

struct Int24 {
    std::uint8_t bytes[3] = {0, 0, 0};

    constexpr Int24() = default;
    // Keeps the low 24 bits; callers clamp first when the value may not fit.
    constexpr explicit Int24(std::int32_t value)
        : bytes{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value >> 16)} {}

    // Sign-extends from bit 23.
    constexpr explicit operator std::int32_t() const {
        const std::uint32_t raw = static_cast<std::uint32_t>(bytes[0]) |
                                  (static_cast<std::uint32_t>(bytes[1]) << 8) |
                                  (static_cast<std::uint32_t>(bytes[2]) << 16);
        return static_cast<std::int32_t>(raw << 8) >> 8;
    }
};

static_assert(sizeof(Int24) == 3, "Int24 must be packed to three bytes");

}  // namespace qmt
