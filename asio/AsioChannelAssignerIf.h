#pragma once
// Gives a device's configurations ASIO channels: the entries still unassigned (254), or every
// entry when forced (a device seen for the first time).

#include "asio/AsioUsedChannels.h"

namespace qmt {

class AsioDeviceInfo;

class AsioChannelAssignerIf {
  public:
    virtual ~AsioChannelAssignerIf() = default;
    // `used` holds the channels all known devices map, this one's included.
    virtual void assignChannels(AsioDeviceInfo& device, const AsioUsedChannels& used,
                                bool force) const = 0;
};

}  // namespace qmt
