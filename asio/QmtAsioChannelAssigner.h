#pragma once
// The maker's assigner: a device gets the lowest free ASIO channels, as many as its widest
// configuration has in each direction. When the 16 run out, a channel is given the number of
// its own position instead, so it plays (or records) alongside another device rather than
// staying silent. Every configuration of the device gets the same picks, in channel order.

#include "asio/AsioChannelAssignerIf.h"

namespace qmt {

class QmtAsioChannelAssigner final : public AsioChannelAssignerIf {
  public:
    void assignChannels(AsioDeviceInfo& device, const AsioUsedChannels& used,
                        bool force) const override;
};

}  // namespace qmt
