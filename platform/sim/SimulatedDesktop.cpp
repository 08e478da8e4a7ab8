#include "platform/sim/SimulatedDesktop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace qmt {

namespace {

// Serial numbers as the controllers report them: at least five usable characters, so every
// model's serial reading accepts them.
constexpr SimulatedController kControllers[] = {
    {SimControllerModel::Kv10, "KV10-A"}, {SimControllerModel::Kv5, "KV5-A"},
    {SimControllerModel::Ardo, "ARDO-A"}, {SimControllerModel::ArdoRaw, "RAW-A"},
    {SimControllerModel::Krt4, "KRT4-A"},
};

}  // namespace

std::span<const SimulatedController> SimulatedDesktopControllers() {
    return kControllers;
}

void PlugSimulatedDesktop(SimDeviceTree& tree) {
    int port = 1;
    for (const SimulatedController& controller : kControllers) {
        const std::string serial = controller.serial;
        tree.plugController(controller.model, std::u16string(serial.begin(), serial.end()), port++);
    }
}

bool SimulationRequestedByEnvironment() {
    const char* value = std::getenv("QMT_SIMULATE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

bool TakeSimulateOption(std::vector<std::string>& arguments) {
    const auto option = std::find(arguments.begin(), arguments.end(), "--simulate");
    const bool given = option != arguments.end();
    if (given) arguments.erase(option);
    return given || SimulationRequestedByEnvironment();
}

}  // namespace qmt
