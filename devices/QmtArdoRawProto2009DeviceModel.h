#pragma once
// The ARDO RAW PROTO 2009 controller (the same identifiers as the ARDO RAW; a registry takes
// whichever of the two it lists first).

#include "devices/DeviceModelAbs.h"

namespace qmt {

class QmtArdoRawProto2009DeviceModel final : public DeviceModelAbs {
  public:
    explicit QmtArdoRawProto2009DeviceModel(DeviceEnumeratorIf& devices);
};

}  // namespace qmt
