#pragma once
// Moves one channel's block of samples between the driver's buffers (16-bit, packed 24-bit or
// 32-bit integers, low byte first) and the 32-bit floats of the desktop's audio graph, where
// full scale is -1 to 1.
//
// Integers become floats by one scale of 2^(bits - 1), so every integer sample survives the
// way back exactly; floats beyond full scale are clamped rather than wrapped.

#include <cstddef>
#include <cstdint>

namespace qmt::asiohost {

void AsioToFloat(const void* source, uint32_t bits, float* target, size_t frames);
void FloatToAsio(const float* source, void* target, uint32_t bits, size_t frames);
// Writes digital silence.
void ClearAsio(void* target, uint32_t bits, size_t frames);

}  // namespace qmt::asiohost
