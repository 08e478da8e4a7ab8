#include "devices/BrxKrt4DeviceModel.h"

namespace qmt {

BrxKrt4DeviceModel::BrxKrt4DeviceModel(DeviceEnumeratorIf& devices)
    : DeviceModelAbs(devices, {5, "KRT4", "HID#VID_04D8&PID_0B1C", "USB#VID_04D8&PID_0B1C&MI_00",
                               "USB\\VID_04D8&PID_0B1C&MI_05", "HID#VID_04D8&PID_0B1C&MI_05"}) {}

}  // namespace qmt
