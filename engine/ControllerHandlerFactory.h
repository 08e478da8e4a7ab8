#pragma once
// Creates the handler of a model type, as the driver's arrival does.

#include <cstdint>
#include <memory>

#include "engine/ControllerHandler.h"

namespace qmt {

// Null for model types without a decoder (5 and unknown ones).
std::unique_ptr<ControllerHandler> CreateControllerHandler(uint8_t modelType, ActionEngine& engine,
                                                           PortClockIf& clock,
                                                           std::unique_ptr<HidDeviceIf> device);

// The MIDI state the first handler of the driver's lifetime starts from: every controller
// at 64, programs 0, pitch wheels centred. The driver calls it once; so does the dry run.
void InitialiseSharedMidiState(MidiState& state);

}  // namespace qmt
