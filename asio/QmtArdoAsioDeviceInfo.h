#pragma once
// An ARDO, ARDO RAW or ARDO RAW PROTO 2009: their one configuration, selected.

#include "asio/AsioDeviceInfo.h"

namespace qmt {

class QmtArdoAsioDeviceInfo final : public AsioDeviceInfo {
  public:
    QmtArdoAsioDeviceInfo(const std::string& hidDeviceId, const std::string* audioDeviceId,
                          size_t index, const std::string& serial, DeviceModelIf* model);
};

}  // namespace qmt
