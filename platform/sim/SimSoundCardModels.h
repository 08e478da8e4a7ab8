#pragma once
// The sound cards of the simulated controllers, laid out as the USB audio class driver shows
// them: a render streaming pin (data in, sink) with the bridge pin to the speaker behind it,
// and on cards with inputs the bridge pin from the jack and a capture streaming pin (data out,
// sink). Each card's ranges and refusals are those of the hardware, so format negotiation has
// real work to do:
//   KV10: the separate codec, 2 channels of 16 bits at 32000, 44100 or 48000 Hz.
//   KV5: 2 channels of 16 to 24 bits at 44100 or 48000 Hz.
//   ARDO, ARDO RAW: 6 channels, 16 to 24 bits at 44100 Hz but only 16 at 48000 Hz; of the
//     extensible channel masks only 0x3F.
//   KRT4, 8 out / 2 in: 8 render channels (the plain WAVEFORMATEX only) and 2 capture channels,
//     16 bits at 44100 Hz. 4 out / 4 in: 4 + 4 channels with mask 0x33 only.

#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimSoundCard.h"

namespace qmt {

enum class SimKrt4Mode : uint8_t { EightOutTwoIn, FourOutFourIn };

SimSoundCardProfile SimSoundCardProfileFor(SimControllerModel model);
SimSoundCardProfile SimKrt4SoundCardProfile(SimKrt4Mode mode);

// A card of this layout with the given streaming pins (either may be absent: no channels).
SimSoundCardProfile SimUsbAudioCardProfile(const std::string& name, const SimPinProfile* render,
                                           const SimPinProfile* capture);

}  // namespace qmt
