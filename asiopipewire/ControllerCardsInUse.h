#pragma once
// Which of the controllers' sound cards another program holds open right now (the desktop's
// sound server, as a rule). A card held elsewhere cannot be opened by the driver: the front end
// refuses to start and names the holder instead of offering a device with silent channels.
//
// A card counts as a controller's when one of the brand's device models claims its audio
// interface; which ALSA card that is comes from `lookup`, who holds it from the kernel's
// substream status files under `procRoot` ("closed" when free).

#include <string>
#include <vector>

#include "devices/DeviceModelIf.h"
#include "platform/DeviceEnumeratorIf.h"
#include "platform/linux/AlsaAudioCards.h"

namespace qmt {

struct HeldCard {
    std::string name;    // the card's friendly name
    std::string device;  // "hw:2"
    std::string holder;  // "in use by pipewire (process 812)"
};

std::vector<HeldCard> ControllerCardsInUse(DeviceEnumeratorIf& devices,
                                           const std::vector<const DeviceModelIf*>& models,
                                           const AlsaCardLookup& lookup,
                                           const std::string& procRoot);

// "The sound card ... is in use by ...", each card on a line, and how to free them.
std::string DescribeHeldCards(const std::vector<HeldCard>& cards);

}  // namespace qmt
