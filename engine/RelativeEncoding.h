#pragma once
// How a relative control's signed step count is written into a 7-bit or 14-bit value, for the
// six encodings a preset can choose ("3Fh : 41h" ... "00h : 01h").

#include <cstdint>

namespace qmt {

// Encodings "3Fh : 41h" and "7Fh : 01h" have no value for "no movement" among their steps,
// so they send their neutral value (64 or 0) once when the movement stops.
bool SendsNeutralOnStop(uint8_t encoding);

// The step count after the encoding's correction: encodings whose one step in a direction is
// the neutral value ("3Fh : 40h", "7Fh : 00h" clockwise; "40h : 41h", "00h : 01h"
// counter-clockwise) count one step less in that direction.
int64_t CorrectSteps(int64_t steps, uint8_t encoding);

// Corrects, clamps to -64..63 and encodes into seven bits.
uint8_t EncodeSteps7(int64_t steps, uint8_t encoding);
// Corrects, clamps to -8192..8191 and encodes into fourteen bits.
uint16_t EncodeSteps14(int64_t steps, uint8_t encoding);

}  // namespace qmt
