// qmtctl reload: asks the running MIDI driver to load the selected mapping again, as the
// configuration program does after saving.

#include <cstdio>

#include "devices/FindMidiDriver.h"
#include "tools/qmtctl/Command.h"

namespace qmt::ctl {
namespace {

int Run(std::span<const std::string> args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: qmtctl reload\n");
        return kExitUsage;
    }
    const auto path = FindMidiDriver();
    if (!path) {
        std::fprintf(stderr, "qmtctl: no running qmtmidi listens for control requests\n");
        return kExitInvalid;
    }
    NotifyMidiDriver();
    std::printf("asked qmtmidi (%s) to reload the selected mapping\n", path->c_str());
    return kExitOk;
}

CommandRegistration registration{{"reload",
                                  "  reload                                  make the running "
                                  "qmtmidi reload the selected mapping",
                                  &Run}};

}  // namespace
}  // namespace qmt::ctl
