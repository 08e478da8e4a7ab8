#pragma once
// The KV5 controller. Its serial number is known by its first 9 characters.

#include "devices/DeviceModelAbs.h"

namespace qmt {

class QmtKv5DeviceModel final : public DeviceModelAbs {
  public:
    static constexpr size_t kSerialLength = 9;

    explicit QmtKv5DeviceModel(DeviceEnumeratorIf& devices);
    bool getSerial(const std::string& deviceId, std::string& out, size_t capacity) override;
};

}  // namespace qmt
