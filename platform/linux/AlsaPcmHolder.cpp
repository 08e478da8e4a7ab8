#include "platform/linux/AlsaPcmHolder.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <vector>

namespace qmt {

namespace {

// The owner pid an open substream's status file shows, or 0.
long ownerOf(const std::string& statusFile) {
    std::ifstream in(statusFile);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("owner_pid", 0) != 0) continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) return 0;
        try {
            return std::stol(line.substr(colon + 1));
        } catch (...) {
            return 0;
        }
    }
    return 0;
}

std::vector<std::string> substreams(const std::string& pcmFolder, int subdevice) {
    if (subdevice >= 0) return {pcmFolder + "/sub" + std::to_string(subdevice)};
    std::vector<std::string> found;
    if (DIR* dir = ::opendir(pcmFolder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.rfind("sub", 0) == 0) found.push_back(pcmFolder + "/" + name);
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

std::string DescribePcmHolder(const std::string& procRoot, int card, int device, bool capture,
                              int subdevice) {
    const std::string pcm = procRoot + "/asound/card" + std::to_string(card) + "/pcm" +
                            std::to_string(device) + (capture ? "c" : "p");
    for (const std::string& sub : substreams(pcm, subdevice)) {
        const long pid = ownerOf(sub + "/status");
        if (pid <= 0) continue;
        std::ifstream comm(procRoot + "/" + std::to_string(pid) + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.empty()) name = "a program";
        return "in use by " + name + " (process " + std::to_string(pid) + ")";
    }
    return "in use by another program";
}

}  // namespace qmt
