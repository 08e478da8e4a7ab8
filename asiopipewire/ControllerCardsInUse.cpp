#include "asiopipewire/ControllerCardsInUse.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>

#include "platform/linux/AlsaPcmHolder.h"

namespace qmt {

namespace {

bool isController(const std::string& path, const std::vector<const DeviceModelIf*>& models) {
    return std::any_of(models.begin(), models.end(),
                       [&](const DeviceModelIf* model) { return model->isAudioDevice(path); });
}

// True when a substream of the PCM is open: its status file says anything but "closed".
bool pcmOpen(const std::string& procRoot, const AlsaPcmAddress& pcm) {
    if (!pcm.present()) return false;
    const std::string folder = procRoot + "/asound/card" + std::to_string(pcm.card) + "/pcm" +
                               std::to_string(pcm.device) + (pcm.capture ? "c" : "p");
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return false;
    bool open = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind("sub", 0) != 0) continue;
        std::ifstream status(folder + "/" + name + "/status");
        std::string first;
        if (std::getline(status, first) && first != "closed") open = true;
    }
    ::closedir(dir);
    return open;
}

}  // namespace

std::vector<HeldCard> ControllerCardsInUse(DeviceEnumeratorIf& devices,
                                           const std::vector<const DeviceModelIf*>& models,
                                           const AlsaCardLookup& lookup,
                                           const std::string& procRoot) {
    std::vector<HeldCard> held;
    std::vector<DeviceInterfaceEntry> interfaces;
    if (!devices.listInterfaces(InterfaceCategory::Audio, interfaces)) return held;
    for (const DeviceInterfaceEntry& entry : interfaces) {
        AlsaCardDevices card;
        if (!isController(entry.path, models) || !lookup(entry.path, card)) continue;
        for (const AlsaPcmAddress& pcm : {card.playback, card.capture}) {
            if (!pcmOpen(procRoot, pcm)) continue;
            held.push_back({card.name, "hw:" + std::to_string(pcm.card),
                            DescribePcmHolder(procRoot, pcm.card, pcm.device, pcm.capture, -1)});
            break;
        }
    }
    return held;
}

std::string DescribeHeldCards(const std::vector<HeldCard>& cards) {
    std::string text;
    for (const HeldCard& card : cards)
        text +=
            "the sound card \"" + card.name + "\" (" + card.device + ") is " + card.holder + "\n";
    text +=
        "The driver needs the controllers' cards for itself. Free them: in pavucontrol, "
        "Configuration tab, set the controller's profile to \"Off\" (or `pactl "
        "set-card-profile CARD off`, CARD from `pactl list short cards`); stop other programs "
        "using them. Then start qmtasio-pipewire again.";
    return text;
}

}  // namespace qmt
