#include "devices/QmtKv10DeviceModel.h"

namespace qmt {

QmtKv10DeviceModel::QmtKv10DeviceModel(DeviceEnumeratorIf& devices)
    : DeviceModelAbs(devices, {1, "KV10", "HID#VID_F7E1&PID_0100", "USB#VID_08BB&PID_2702",
                               "USB\\VID_F7E1&PID_0100", "HID#VID_F7E1&PID_0100"}) {}

bool QmtKv10DeviceModel::findControlDevice(DeviceNode audioDevice, std::string& out,
                                           size_t capacity) {
    DeviceNode parent = kNoDeviceNode;
    DeviceNode grandparent = kNoDeviceNode;
    DeviceNode controller = kNoDeviceNode;
    if (!devices().getParent(audioDevice, parent) || !devices().getParent(parent, grandparent)) {
        return false;
    }
    return findChild(grandparent, patterns().controlTarget, capacity, controller, out);
}

bool QmtKv10DeviceModel::getSerial(const std::string& deviceId, std::string& out, size_t capacity) {
    if (isHidDevice(deviceId)) return DeviceModelAbs::getSerial(deviceId, out, capacity);
    const size_t slash = deviceId.rfind('\\');
    if (slash == std::string::npos) return false;
    const std::string rest = deviceId.substr(slash + 1);
    const std::string serial = rest.substr(0, rest.find('_'));
    if (serial.empty() || serial.size() >= capacity) return false;
    out = serial;
    return true;
}

}  // namespace qmt
