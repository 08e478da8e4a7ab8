// Built when the Linux backend's libraries were missing at configure time.

#include <cstdio>

#include "driver/qmtmidi/HostMidiService.h"

namespace qmt {

int RunHostMidiService(int, char**) {
    std::fprintf(stderr,
                 "qmtmidi: this build has only the simulated platform (--simulate); install "
                 "libasound2-dev and libudev-dev and build again for the real one\n");
    return 2;
}

}  // namespace qmt
