#pragma once
// A reading of a MIDI message for people: "ch1 CC 16 = 65", "ch2 note on 60 vel 127".

#include <cstdint>
#include <span>
#include <string>

namespace qmt {

std::string DescribeMidi(std::span<const uint8_t> bytes);
std::string HexBytes(std::span<const uint8_t> bytes);

}  // namespace qmt
