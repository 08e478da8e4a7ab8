#pragma once
// Input reports that operate one control of a virtual controller, for the configuration
// program's simulated desktop: a report of the controller at rest and one with the control
// pressed, moved or touched. Built at each model's report layout, so the live-input path
// (decoder, filter, detection) reads them exactly as it reads a real controller.

#include <cstdint>
#include <vector>

namespace qmt {

struct TouchReports {
    std::vector<uint8_t> rest;
    std::vector<uint8_t> touched;
};

// False for a model type without a report layout or a control the model does not have.
bool SimulatedTouch(uint32_t modelType, uint8_t control, TouchReports& reports);

// Every control of the model, in the order of its lists (buttons, wheels, positions, pads).
std::vector<uint8_t> ControlsToTouch(uint32_t modelType);

}  // namespace qmt
