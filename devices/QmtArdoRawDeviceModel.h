#pragma once
// The ARDO RAW controller.

#include "devices/DeviceModelAbs.h"

namespace qmt {

class QmtArdoRawDeviceModel final : public DeviceModelAbs {
  public:
    explicit QmtArdoRawDeviceModel(DeviceEnumeratorIf& devices);
};

}  // namespace qmt
