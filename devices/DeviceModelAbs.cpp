#include "devices/DeviceModelAbs.h"

#include "common/AsciiCase.h"

namespace qmt {

namespace {

bool isSerialCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ' ||
           c == '-';
}

}  // namespace

bool DeviceModelAbs::isAudioDevice(const std::string& deviceId) const {
    return containsIgnoreCase(deviceId, patterns_.audioPattern);
}

bool DeviceModelAbs::isHidDevice(const std::string& deviceId) const {
    return containsIgnoreCase(deviceId, patterns_.hidPattern);
}

bool DeviceModelAbs::findChild(DeviceNode parent, const char* target, size_t capacity,
                               DeviceNode& child, std::string& childId) {
    DeviceNode node = kNoDeviceNode;
    if (!devices_.getFirstChild(parent, node)) return false;
    for (;;) {
        std::string id;
        // An identifier that would not fit the caller's buffer is not looked at.
        if (devices_.getDeviceInstanceId(node, id) && id.size() < capacity &&
            containsIgnoreCase(id, target)) {
            child = node;
            childId = id;
            return true;
        }
        if (!devices_.getNextSibling(node, node)) return false;
    }
}

bool DeviceModelAbs::findControlDevice(DeviceNode audioDevice, std::string& out, size_t capacity) {
    DeviceNode composite = kNoDeviceNode;
    DeviceNode function = kNoDeviceNode;
    DeviceNode hid = kNoDeviceNode;
    std::string functionId, hidId;
    if (!devices_.getParent(audioDevice, composite)) return false;
    if (!findChild(composite, patterns_.controlTarget, capacity, function, functionId))
        return false;
    if (!devices_.getFirstChild(function, hid) || !devices_.getDeviceInstanceId(hid, hidId)) {
        return false;
    }
    const std::string instance = hidId.substr(hidId.rfind('\\') + 1);
    std::string path = std::string("\\\\?\\") + patterns_.hidInterfacePattern + "#" + instance +
                       "#{" + kHidInterfaceGuid + "}";
    if (path.size() >= capacity) return false;
    out = path;
    return true;
}

bool DeviceModelAbs::getSerial(const std::string& deviceId, std::string& out, size_t capacity) {
    std::u16string wide;
    if (capacity == 0 || !devices_.getHidSerialNumber(deviceId, wide)) return false;
    std::string copied;
    size_t keep = 0;  // length up to the last character that is not a space
    for (char16_t unit : wide) {
        if (copied.size() + 1 >= capacity) break;
        const char c = static_cast<char>(unit & 0xFF);
        if (c == '\0' || !isSerialCharacter(c)) break;
        copied += c;
        if (c != ' ') keep = copied.size();
    }
    out = copied.substr(0, keep);
    return out.size() >= kMinSerialLength;
}

}  // namespace qmt
