#include "engine/RelativeEncoding.h"

#include "engine/MidiOutput.h"
#include "model/Preset.h"

namespace qmt {

namespace {

// An encoding byte the validator would refuse behaves like the files' default, encoding 0.
uint8_t Known(uint8_t encoding) {
    return encoding < kEncodingCount ? encoding : uint8_t{kEnc3F41};
}

// Encodings 2, 3 and 5 write negative steps as two's complement; 0, 1 and 4 as an offset
// from the middle of the range.
bool IsTwosComplement(uint8_t encoding) {
    const uint8_t e = Known(encoding);
    return e == kEnc7F01 || e == kEnc7F00 || e == kEnc0001;
}

int64_t Encode(int64_t steps, uint8_t encoding, int64_t range) {
    const int64_t half = range / 2;
    const int64_t s = Clamp(CorrectSteps(steps, encoding), -half, half - 1);
    if (IsTwosComplement(encoding)) return s >= 0 ? s : range + s;
    return half + s;
}

}  // namespace

bool SendsNeutralOnStop(uint8_t encoding) {
    const uint8_t e = Known(encoding);
    return e == kEnc3F41 || e == kEnc7F01;
}

int64_t CorrectSteps(int64_t steps, uint8_t encoding) {
    const uint8_t e = Known(encoding);
    if ((e == kEnc3F40 || e == kEnc7F00) && steps > 0) return steps - 1;
    if ((e == kEnc4041 || e == kEnc0001) && steps < 0) return steps + 1;
    return steps;
}

uint8_t EncodeSteps7(int64_t steps, uint8_t encoding) {
    return static_cast<uint8_t>(Encode(steps, encoding, 128));
}

uint16_t EncodeSteps14(int64_t steps, uint8_t encoding) {
    return static_cast<uint16_t>(Encode(steps, encoding, 16384));
}

}  // namespace qmt
