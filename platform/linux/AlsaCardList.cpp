#include "platform/linux/AlsaCardList.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>

#include "platform/DeviceEnumeratorIf.h"
#include "platform/linux/HidrawDevice.h"
#include "platform/linux/SysfsDeviceTree.h"

namespace qmt {

namespace {

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// The numbers after `prefix` of the entries in `folder` named prefix + number + suffix.
std::vector<int> Numbers(const std::string& folder, const std::string& prefix,
                         const std::string& suffix) {
    std::vector<int> numbers;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            const std::string digits =
                name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
            if (!digits.empty() && std::all_of(digits.begin(), digits.end(), ::isdigit))
                numbers.push_back(std::atoi(digits.c_str()));
        }
        ::closedir(dir);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace

std::vector<AlsaCardEntry> ListAlsaCards(const std::string& sysRoot) {
    std::vector<AlsaCardEntry> cards;
    const std::string sound = sysRoot + "/class/sound";
    for (int number : Numbers(sound, "card", "")) {
        AlsaCardEntry card;
        card.card = number;
        card.folder = RealPath(sound + "/card" + std::to_string(number) + "/device");
        const std::string id = InstanceIdOfFolder(sysRoot, card.folder);
        if (id.empty()) continue;
        card.path = InterfacePathFromInstanceId(id, kAudioCategoryGuid) + "\\global";
        const std::string pcm = "pcmC" + std::to_string(number) + "D";
        const std::vector<int> playback = Numbers(sound, pcm, "p");
        const std::vector<int> capture = Numbers(sound, pcm, "c");
        if (!playback.empty()) card.playbackDevice = playback.front();
        if (!capture.empty()) card.captureDevice = capture.front();
        cards.push_back(std::move(card));
    }
    return cards;
}

}  // namespace qmt
