#include "devices/QmtArdoRawDeviceModel.h"

namespace qmt {

QmtArdoRawDeviceModel::QmtArdoRawDeviceModel(DeviceEnumeratorIf& devices)
    : DeviceModelAbs(devices, {6, "ARDO RAW", "HID#VID_F7E1&PID_0310", "USB#VID_F7E1&PID_0310",
                               "USB\\VID_F7E1&PID_0310&MI_02", "HID#VID_F7E1&PID_0310&MI_02"}) {}

}  // namespace qmt
