#pragma once
// Input reports that move nothing but the "Slider", for the storm tests: with the factory
// presets each such report becomes exactly one control change whose value is the slider's
// 7-bit position, so a run of them numbers the messages a controller sends.

#include <cstdint>
#include <vector>

#include "model/Catalogue.h"
#include "script/TranslateScript.h"

namespace qmt::test {

// The report of `model` (in the documented layout, byte 0 the report number 0) with every
// control at rest and the slider in the middle of the 7-bit step `value`.
inline std::vector<uint8_t> SliderReport(uint8_t model, uint8_t value) {
    std::vector<uint8_t> r(ReportLengthOf(model), 0);
    const uint16_t position = static_cast<uint16_t>((value & 0x7F) << 9 | 0x100);
    size_t at = 5;  // KV10
    if (model == kModelKv5) at = 10;
    if (model == kModelArdo || model == kModelArdoRaw) r[2] = 53;  // a control report
    if (model == kModelArdo) at = 11;                              // firmware 1.3 or older
    if (model == kModelArdoRaw) {
        at = 12;
        for (size_t i = 16; i < 24; ++i)
            r[i] = 0xFF;  // the velocity pads released
    }
    r[at] = position & 0xFF;
    r[at + 1] = static_cast<uint8_t>(position >> 8);
    return r;
}

// The next value of a slider: always another one, so every report sends.
inline uint8_t NextSliderValue(uint8_t value, uint32_t random) {
    return static_cast<uint8_t>((value + 1 + random % 126) % 128);
}

}  // namespace qmt::test
