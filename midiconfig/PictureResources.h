#pragma once
// The controller pictures built into the program, looked up by resource id as a resource
// loader would: the bitmap in resource form (header, colour table, rows), without the .bmp
// file header. The table is generated at build time from midiconfig/res/.

#include <cstdint>
#include <span>

namespace qmt {

// Empty when the program carries no bitmap with this id.
std::span<const uint8_t> FindBitmapResource(int id);

}  // namespace qmt
