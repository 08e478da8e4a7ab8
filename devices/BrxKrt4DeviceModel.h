#pragma once
// The KRT4 controller of the second brand.

#include "devices/DeviceModelAbs.h"

namespace qmt {

class BrxKrt4DeviceModel final : public DeviceModelAbs {
  public:
    explicit BrxKrt4DeviceModel(DeviceEnumeratorIf& devices);
};

}  // namespace qmt
