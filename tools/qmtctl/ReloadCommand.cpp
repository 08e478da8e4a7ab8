// qmtctl reload: asks the running MIDI driver to load the selected mapping again, as the
// configuration program does after saving.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/ControlChannel.h"
#include "tools/qmtctl/Command.h"

namespace qmt::ctl {
namespace {

// Why no service can be asked, in words a user can act on.
std::string Unreachable(const std::string& path, int reason) {
    if (path.empty())
        return "XDG_RUNTIME_DIR is not set, so qmtmidi's control socket cannot be found";
    if (reason == EACCES || reason == EPERM)
        return "cannot reach qmtmidi at " + path +
               ": permission denied (the service runs as another user; run qmtctl as that user)";
    return "no running qmtmidi listens for control requests (" + path + ": " +
           std::strerror(reason) + ")";
}

int Run(std::span<const std::string> args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: qmtctl reload\n");
        return kExitUsage;
    }
    const std::string path = DefaultControlSocketPath();
    int reason = 0;
    if (path.empty() || !ControlServerListening(path, &reason)) {
        std::fprintf(stderr, "qmtctl: %s\n", Unreachable(path, reason).c_str());
        return kExitInvalid;
    }
    // Unlike the programs' silent notification, the tool says whether the reload happened.
    const auto answer = SendControlRequest(path, ControlRequest{kIoctlReloadMapping, {}, 0});
    if (!answer || answer->status != 0) {
        std::fprintf(stderr, "qmtctl: qmtmidi at %s did not confirm the reload\n", path.c_str());
        return kExitInvalid;
    }
    std::printf("qmtmidi (%s) reloaded the selected mapping\n", path.c_str());
    return kExitOk;
}

CommandRegistration registration{{"reload",
                                  "  reload                                  make the running "
                                  "qmtmidi reload the selected mapping",
                                  &Run}};

}  // namespace
}  // namespace qmt::ctl
