#pragma once
// A KV10: its one configuration, selected.

#include "asio/AsioDeviceInfo.h"

namespace qmt {

class QmtKv10AsioDeviceInfo final : public AsioDeviceInfo {
  public:
    QmtKv10AsioDeviceInfo(const std::string& hidDeviceId, const std::string* audioDeviceId,
                          size_t index, const std::string& serial, DeviceModelIf* model);
};

}  // namespace qmt
