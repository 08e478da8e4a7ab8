#include "devices/QmtArdoRawProto2009DeviceModel.h"

namespace qmt {

QmtArdoRawProto2009DeviceModel::QmtArdoRawProto2009DeviceModel(DeviceEnumeratorIf& devices)
    : DeviceModelAbs(devices,
                     {4, "ARDO RAW PROTO 2009", "HID#VID_F7E1&PID_0310", "USB#VID_F7E1&PID_0310",
                      "USB\\VID_F7E1&PID_0310&MI_02", "HID#VID_F7E1&PID_0310&MI_02"}) {}

}  // namespace qmt
