#pragma once
// Little-endian fields of HID reports. Offsets are fixed per model and always inside the
// model's report length, which the handler checks before decoding.

#include <cstddef>
#include <cstdint>
#include <span>

namespace qmt {

inline uint16_t ReportU16(std::span<const uint8_t> report, size_t offset) {
    return static_cast<uint16_t>(report[offset] | (report[offset + 1] << 8));
}

inline int16_t ReportI16(std::span<const uint8_t> report, size_t offset) {
    return static_cast<int16_t>(ReportU16(report, offset));
}

inline uint32_t ReportU32(std::span<const uint8_t> report, size_t offset) {
    return uint32_t{ReportU16(report, offset)} | (uint32_t{ReportU16(report, offset + 2)} << 16);
}

inline void PutU16(std::span<uint8_t> report, size_t offset, uint16_t value) {
    report[offset] = static_cast<uint8_t>(value & 0xFF);
    report[offset + 1] = static_cast<uint8_t>(value >> 8);
}

// Change of an 8-bit wrapping encoder counter, as a signed step count.
inline int32_t CounterDelta8(uint8_t now, uint8_t previous) {
    return static_cast<int8_t>(static_cast<uint8_t>(now - previous));
}

}  // namespace qmt
