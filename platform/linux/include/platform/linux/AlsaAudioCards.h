#pragma once
// The sound-card service on Linux: a controller's USB audio interface, found by the device
// enumeration as an ALSA card, opens as a filter with a render pin (the card's first playback
// PCM: data in, sink) and a capture pin (its first capture PCM: data out, sink), each present
// only where the card has that direction. Pins describe themselves from the PCM's hardware
// parameters and stream through the PCM's "hw" device, serving requests on a thread of their
// own (AlsaPcmPin).
//
// Which card a path names is asked of a lookup, so tests can point a filter at any card (the
// loopback card in the test guest); the default one reads sysfs like the device enumeration.
// Opening never waits for a card another program holds: it answers busy, with the holder named
// from /proc where the kernel shows it.

#include <functional>
#include <string>

#include "platform/AudioCardService.h"

namespace qmt {

// One PCM stream of a card: "hw:card,device[,subdevice]".
struct AlsaPcmAddress {
    int card = -1;
    int device = -1;
    int subdevice = -1;  // -1: any free one
    bool capture = false;

    bool present() const { return card >= 0 && device >= 0; }
    std::string deviceName() const;
};

struct AlsaCardDevices {
    std::string name;  // the filter's friendly name
    AlsaPcmAddress playback;
    AlsaPcmAddress capture;
};

// False when no card answers to the path.
using AlsaCardLookup = std::function<bool(const std::string& path, AlsaCardDevices& devices)>;

// The card whose audio interface path (as the device enumeration makes it) is `path`.
AlsaCardLookup SysfsAlsaCardLookup(std::string sysRoot = "/sys");

class AlsaAudioCards final : public AudioCardServiceIf {
  public:
    explicit AlsaAudioCards(AlsaCardLookup lookup = SysfsAlsaCardLookup(),
                            std::string procRoot = "/proc");

    HRESULT openFilter(const std::string& path,
                       std::unique_ptr<AudioCardFilterIf>& filter) override;

  private:
    AlsaCardLookup lookup_;
    std::string procRoot_;
};

}  // namespace qmt
