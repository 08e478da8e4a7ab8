#pragma once
// The driver's two private control codes and their dispatch.

#include <cstdint>
#include <vector>

#include "engine/HandlerStatus.h"
#include "platform/ControlChannel.h"

namespace qmt {

struct ControlResult {
    NtStatus status = kStatusSuccess;
    uint32_t information = 0;
    std::vector<uint8_t> output;
};

// Runs one device-control request in the caller's thread against the live miniport.
// Codes other than the two are not the driver's: STATUS_INVALID_DEVICE_REQUEST.
ControlResult DispatchDeviceControl(uint32_t code, uint32_t inputLength, uint32_t outputLength);

// The same for a request that arrived on the control socket.
ControlAnswer AnswerControlRequest(const ControlRequest& request);

}  // namespace qmt
