#pragma once
// The wave formats the audio filters offer to pins. Every format travels as a
// WAVEFORMATEXTENSIBLE; a plain WAVEFORMATEX is one whose tag is WAVE_FORMAT_PCM and whose
// cbSize is 0, so only its first 18 bytes count.

#include <cstdint>
#include <span>

#include "platform/KsTypes.h"

namespace qmt {

// The extensible form: block align bits / 8 × channels, cbSize 22, every bit valid, PCM.
WAVEFORMATEXTENSIBLE makeExtensibleFormat(uint16_t channels, uint32_t sampleRate,
                                          uint16_t bitsPerSample, uint32_t channelMask);
// The same format as a plain WAVEFORMATEX (tag PCM, cbSize 0).
WAVEFORMATEXTENSIBLE toPlainFormat(const WAVEFORMATEXTENSIBLE& format);
WAVEFORMATEXTENSIBLE makePlainFormat(const WAVEFORMATEX& format);

// The speaker layouts tried for a channel count, in order: 2: 0x3; 4: 0x603, 0x33; 6: 0x60F,
// 0x3F; 8: 0x6F3, 0x63F, 0xFF; any other count: no mask (0) once.
std::span<const uint32_t> channelMasksFor(unsigned channels);

// The bytes a pin is created with: 18 plus cbSize (at most the extensible form's 40).
std::span<const uint8_t> waveFormatBytes(const WAVEFORMATEXTENSIBLE& format);
// The sub-format a data range must match: the extensible form's, else PCM.
Guid subFormatOf(const WAVEFORMATEXTENSIBLE& format);

bool sameFormat(const WAVEFORMATEXTENSIBLE& a, const WAVEFORMATEXTENSIBLE& b);

}  // namespace qmt
