#pragma once
// The ALSA cards sysfs lists, each with the Windows-shaped audio interface path the device
// enumeration gives it (made from the instance id of the card's device: the controller's
// USB audio interface) and the first PCM devices that play and that capture. The device
// enumeration lists these paths; the sound-card service maps a path back to its card.

#include <string>
#include <vector>

namespace qmt {

struct AlsaCardEntry {
    std::string path;         // \\?\USB#VID_F7E1&PID_0300&MI_00#6&...#{6994ad04-...}\global
    std::string folder;       // the card's device folder in sysfs, links resolved
    int card = -1;            // the card number
    int playbackDevice = -1;  // the lowest PCM device that plays, -1 for none
    int captureDevice = -1;   // the lowest PCM device that captures, -1 for none
};

// In card-number order.
std::vector<AlsaCardEntry> ListAlsaCards(const std::string& sysRoot);

}  // namespace qmt
