#pragma once
// The driver-wide MIDI state that incremental and relative actions continue from. One table
// is shared by every controller; it is read and written without a lock by whichever
// reader thread runs (two controllers on one channel and controller may interleave).

#include <array>
#include <cstdint>

namespace qmt {

struct MidiState {
    std::array<std::array<uint8_t, 128>, 16> controllers{};  // 7-bit values
    std::array<uint8_t, 16> programs{};                      // 7-bit programs
    std::array<int32_t, 16> pitch{};                         // 14-bit value × 4096
};

}  // namespace qmt
