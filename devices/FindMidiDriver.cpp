#include "devices/FindMidiDriver.h"

#include "platform/ControlChannel.h"

namespace qmt {

std::optional<std::string> FindMidiDriver() {
    const std::string path = DefaultControlSocketPath();
    if (path.empty() || !ControlServerListening(path)) return std::nullopt;
    return path;
}

void NotifyMidiDriver() {
    const std::optional<std::string> path = FindMidiDriver();
    if (!path) return;
    SendControlRequest(*path, ControlRequest{kIoctlReloadMapping, {}, 0});
}

}  // namespace qmt
