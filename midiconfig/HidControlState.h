#pragma once
// One input report of a controller as the live-input display sees it: what moved since the
// device's previous report. The poller fills it from the report layouts of each model; the
// device filter coarsens it; the editor looks for the one control being operated.

#include <array>
#include <cstddef>
#include <cstdint>

namespace qmt {

struct HidControlState {
    static constexpr size_t kMaxRotaries = 6;
    static constexpr size_t kMaxAbsolutes = 11;
    static constexpr size_t kMaxPads = 4;
    static constexpr size_t kTouchX = 0;
    static constexpr size_t kTouchY = 1;

    uint8_t modelType = 0;
    size_t deviceIndex = 0;
    // Relative movements since the previous report: position 0 is the main wheel, 1 to 4
    // the small wheels NE, SE, SW, NW, 5 the ARDO RAW PROTO 2009's "Selector".
    uint8_t rotaryCount = 0;
    std::array<int32_t, kMaxRotaries> rotary{};
    // Positions before and now, in the model's order of absolute controls.
    uint8_t absoluteCount = 0;
    std::array<uint16_t, kMaxAbsolutes> absoluteOld{};
    std::array<uint16_t, kMaxAbsolutes> absoluteNew{};
    // Bit n: the n-th button of the model's list is down (KV10: bit n is identifier n).
    uint64_t buttons = 0;
    // Touch pad position, X then Y, on the models with a touch pad.
    bool hasTouch = false;
    std::array<uint16_t, 2> touchOld{};
    std::array<uint16_t, 2> touchNew{};
    // Velocity-pad pressures in the order NE, SE, SW, NW (65535: released).
    uint8_t padCount = 0;
    std::array<uint16_t, kMaxPads> padOld{};
    std::array<uint16_t, kMaxPads> padNew{};
};

}  // namespace qmt
