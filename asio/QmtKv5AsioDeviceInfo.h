#pragma once
// A KV5: its one configuration, selected.

#include "asio/AsioDeviceInfo.h"

namespace qmt {

class QmtKv5AsioDeviceInfo final : public AsioDeviceInfo {
  public:
    QmtKv5AsioDeviceInfo(const std::string& hidDeviceId, const std::string* audioDeviceId,
                         size_t index, const std::string& serial, DeviceModelIf* model);
};

}  // namespace qmt
