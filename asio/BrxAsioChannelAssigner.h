#pragma once
// The second brand's assigner: every KRT4 uses the same ASIO channels, those of its mode
// (8-out-2-in: inputs 0-1 and outputs 0-7; 4-out-4-in: inputs 0-3 and outputs 0-3). Other
// devices and configurations are left as they are.

#include "asio/AsioChannelAssignerIf.h"

namespace qmt {

class BrxAsioChannelAssigner final : public AsioChannelAssignerIf {
  public:
    void assignChannels(AsioDeviceInfo& device, const AsioUsedChannels& used,
                        bool force) const override;
};

}  // namespace qmt
