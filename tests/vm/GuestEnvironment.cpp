#include "GuestEnvironment.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace qmt::vm {

bool InGuest() {
    const char* flag = std::getenv("QMT_IN_VM");
    return flag && std::strcmp(flag, "1") == 0;
}

std::string MissingKernelFeatures() {
    std::string missing;
    const auto need = [&missing](const char* path, const char* what) {
        if (::access(path, R_OK | W_OK) != 0)
            missing += (missing.empty() ? "" : ", ") + std::string(what);
    };
    need("/dev/uhid", "/dev/uhid (module uhid)");
    need("/sys/class/hidraw", "hidraw");
    need("/dev/snd/seq", "the ALSA sequencer (module snd-seq)");
    return missing;
}

}  // namespace qmt::vm
