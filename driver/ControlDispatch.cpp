#include "driver/ControlDispatch.h"

#include "driver/DriverStatus.h"
#include "driver/MidiMiniport.h"

namespace qmt {

ControlResult DispatchDeviceControl(uint32_t code, uint32_t inputLength, uint32_t outputLength) {
    ControlResult result;
    if (code == kIoctlReloadMapping) {
        if (inputLength != 0 || outputLength != 0) return {kStatusInvalidParameter, 0, {}};
        if (MidiMiniport* miniport = MidiMiniport::Live()) miniport->Reload();
        return result;
    }
    if (code == kIoctlPortsInUse) {
        if (inputLength != 0 || outputLength != 1) return {kStatusInvalidParameter, 0, {}};
        MidiMiniport* miniport = MidiMiniport::Live();
        const uint8_t inUse = miniport != nullptr && miniport->InUse() ? 1 : 0;
        return {kStatusSuccess, 1, {inUse}};
    }
    return {kStatusInvalidDeviceRequest, 0, {}};
}

ControlAnswer AnswerControlRequest(const ControlRequest& request) {
    const ControlResult result = DispatchDeviceControl(
        request.code, static_cast<uint32_t>(request.input.size()), request.outputLength);
    return ControlAnswer{result.status, result.information, result.output};
}

}  // namespace qmt
