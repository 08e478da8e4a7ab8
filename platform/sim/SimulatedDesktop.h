#pragma once
// The simulated desktop: the controllers every program sees when it runs on the simulated
// platform, and the one rule that decides whether it does. Each program builds its own
// simulation in its own process; because all of them plug the same controllers with the
// same serial numbers, a simulated driver, agent, configuration program and panels started
// together agree on what is connected, and a mapping made for one controller in one program
// serves it in the others.

#include <span>
#include <string>
#include <vector>

#include "platform/sim/SimDeviceTree.h"

namespace qmt {

struct SimulatedController {
    SimControllerModel model;
    const char* serial;
};

// One controller of each model, in the order they are plugged. The KRT4 belongs to the
// audio side's second brand; the MIDI programs do not list it.
std::span<const SimulatedController> SimulatedDesktopControllers();

// Plugs every controller of the simulated desktop into `tree`, each on a port of its own.
void PlugSimulatedDesktop(SimDeviceTree& tree);

// True when QMT_SIMULATE=1 is set. Programs whose command line is fixed by their design
// (the agent) choose the simulated platform this way only.
bool SimulationRequestedByEnvironment();

// True when `--simulate` is among the arguments (it is taken out, so the program parses the
// rest as usual) or QMT_SIMULATE=1 is set.
bool TakeSimulateOption(std::vector<std::string>& arguments);

}  // namespace qmt
