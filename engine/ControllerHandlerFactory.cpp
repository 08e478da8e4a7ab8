#include "engine/ControllerHandlerFactory.h"

#include "engine/QmtArdoControllerHandler.h"
#include "engine/QmtArdoRawControllerHandler.h"
#include "engine/QmtArdoRawProto2009ControllerHandler.h"
#include "engine/QmtKv10ControllerHandler.h"
#include "engine/QmtKv5ControllerHandler.h"

namespace qmt {

std::unique_ptr<ControllerHandler> CreateControllerHandler(uint8_t modelType, ActionEngine& engine,
                                                           PortClockIf& clock,
                                                           std::unique_ptr<HidDeviceIf> device) {
    switch (modelType) {
        case kModelKv10:
            return std::make_unique<QmtKv10ControllerHandler>(engine, clock, std::move(device));
        case kModelKv5:
            return std::make_unique<QmtKv5ControllerHandler>(engine, clock, std::move(device));
        case kModelArdo:
            return std::make_unique<QmtArdoControllerHandler>(engine, clock, std::move(device));
        case kModelArdoRawProto2009:
            return std::make_unique<QmtArdoRawProto2009ControllerHandler>(engine, clock,
                                                                          std::move(device));
        case kModelArdoRaw:
            return std::make_unique<QmtArdoRawControllerHandler>(engine, clock, std::move(device));
        default:
            return nullptr;
    }
}

void InitialiseSharedMidiState(MidiState& state) {
    for (auto& channel : state.controllers)
        channel.fill(64);
    state.programs.fill(0);
    state.pitch.fill(0x2000 << 12);
}

}  // namespace qmt
