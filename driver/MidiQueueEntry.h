#pragma once
// One queued MIDI message, laid out as the capture queue and the render buffer store it.

#include <cstdint>

namespace qmt {

inline constexpr uint8_t kEntryShort = 0;
inline constexpr uint8_t kEntryLong = 1;

#pragma pack(push, 1)
struct MidiQueueEntry {
    uint8_t kind = kEntryShort;
    uint8_t length = 0;
    // Short: the message bytes in the low 24 bits, status lowest. Long: the bytes' address.
    uint64_t data = 0;
    int64_t time = 0;  // 100 ns units of the master clock
};
#pragma pack(pop)

static_assert(sizeof(MidiQueueEntry) == 18);

// A posted message word (length in bits 24-31) as a short entry.
inline MidiQueueEntry ShortEntry(uint32_t word, int64_t time) {
    return MidiQueueEntry{kEntryShort, static_cast<uint8_t>(word >> 24), word & 0x00FFFFFFu, time};
}

}  // namespace qmt
