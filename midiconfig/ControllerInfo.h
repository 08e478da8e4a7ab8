#pragma once
// One controller of the mapping the main window edits: its model type, its serial number
// and, for each of the seven preset slots, a preset's display name and the slot's channels
// as the channel lists show them (0 "Omni", 1 to 16 for channels 1 to 16).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Mapping.h"

namespace qmt {

constexpr uint8_t kChannelIndexOmni = 0;
constexpr uint8_t kChannelIndexCount = 17;  // "Omni", "1" ... "16"

struct ControllerInfo {
    ControllerInfo() {
        defaultChannels.fill(1);
        inputChannels.fill(1);
    }
    ControllerInfo(uint32_t modelType, std::string serialNumber) : ControllerInfo() {
        type = modelType;
        serial = std::move(serialNumber);
    }
    bool operator==(const ControllerInfo&) const = default;

    uint32_t type = 0;
    std::string serial;                              // empty: the next controller of the type
    std::array<std::string, kMappingSlots> presets;  // display names; empty: none
    std::array<uint8_t, kMappingSlots> defaultChannels;
    std::array<uint8_t, kMappingSlots> inputChannels;
};

// The file's channel bytes (0 to 15, input also 254 "Omni") as list indexes and back. The
// file cannot hold "Omni" as a default channel (readers refuse the whole mapping), so a slot
// set to "Omni" sends its "Default" messages on channel 1 and listens on all channels.
std::vector<ControllerInfo> ControllerInfosOf(const Mapping& mapping);
Mapping MappingOf(const std::vector<ControllerInfo>& controllers);

}  // namespace qmt
