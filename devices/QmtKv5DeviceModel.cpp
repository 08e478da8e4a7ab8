#include "devices/QmtKv5DeviceModel.h"

namespace qmt {

QmtKv5DeviceModel::QmtKv5DeviceModel(DeviceEnumeratorIf& devices)
    : DeviceModelAbs(devices, {2, "KV5", "HID#VID_F7E1&PID_0202", "USB#VID_F7E1&PID_0202",
                               "USB\\VID_F7E1&PID_0202", "HID#VID_F7E1&PID_0202&MI_02"}) {}

bool QmtKv5DeviceModel::getSerial(const std::string& deviceId, std::string& out, size_t capacity) {
    if (!DeviceModelAbs::getSerial(deviceId, out, capacity)) return false;
    if (out.size() > kSerialLength) out.resize(kSerialLength);
    return true;
}

}  // namespace qmt
