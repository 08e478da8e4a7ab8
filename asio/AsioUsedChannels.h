#pragma once
// The ASIO inputs and outputs that some device's map already routes a hardware channel to.

#include <bitset>

#include "asio/AsioDeviceConfigurationIf.h"

namespace qmt {

struct AsioUsedChannels {
    std::bitset<kAsioChannels> inputs;
    std::bitset<kAsioChannels> outputs;

    // Marks every entry of the configuration's maps that names an ASIO channel.
    void add(const AsioDeviceConfigurationIf& configuration);
};

}  // namespace qmt
