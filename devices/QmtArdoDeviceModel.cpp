#include "devices/QmtArdoDeviceModel.h"

namespace qmt {

QmtArdoDeviceModel::QmtArdoDeviceModel(DeviceEnumeratorIf& devices)
    : DeviceModelAbs(devices, {3, "ARDO", "HID#VID_F7E1&PID_0300", "USB#VID_F7E1&PID_0300",
                               "USB\\VID_F7E1&PID_0300&MI_02", "HID#VID_F7E1&PID_0300&MI_02"}) {}

}  // namespace qmt
