#pragma once
// The last step of a captured half on its way to the host: the 32-bit sums of every capture
// channel that feeds an ASIO input are limited to the ASIO sample width and stored in the
// host's layout (16 bits; 24 bits as three bytes, low byte first; 32 bits as they are).

#include <cstdint>

namespace qmt {

void saturateAccumulator(const int32_t* accumulator, void* asioBuffer, uint32_t frames,
                         uint32_t asioBits);

}  // namespace qmt
