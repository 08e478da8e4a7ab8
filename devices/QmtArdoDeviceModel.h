#pragma once
// The ARDO controller.

#include "devices/DeviceModelAbs.h"

namespace qmt {

class QmtArdoDeviceModel final : public DeviceModelAbs {
  public:
    explicit QmtArdoDeviceModel(DeviceEnumeratorIf& devices);
};

}  // namespace qmt
