#include "platform/linux/HidrawDevice.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/AsciiCase.h"
#include "platform/DeviceClassGuids.h"
#include "platform/DeviceEnumeratorIf.h"

namespace qmt {

namespace {

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

std::string Parent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

std::string ReadLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

// The KEY=value lines of a uevent file.
std::string UeventValue(const std::string& folder, const std::string& key) {
    std::ifstream in(folder + "/uevent");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
    return {};
}

bool ParseHex(const std::string& text, unsigned long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 16);
    return end != nullptr && *end == '\0';
}

// HID_ID=0003:0000F7E1:00000300
bool ParseHidId(const std::string& text, HidrawDevice& device) {
    std::istringstream in(text);
    std::string bus, vendor, product;
    unsigned long b = 0, v = 0, p = 0;
    if (!std::getline(in, bus, ':') || !std::getline(in, vendor, ':') ||
        !std::getline(in, product) || !ParseHex(bus, b) || !ParseHex(vendor, v) ||
        !ParseHex(product, p))
        return false;
    device.bus = static_cast<uint16_t>(b);
    device.vendorId = static_cast<uint16_t>(v);
    device.productId = static_cast<uint16_t>(p);
    return true;
}

// A HID device on USB hangs below its USB interface, which names its number; the USB
// device above says how many interfaces it has. Windows names the interface (MI_xx) only
// on composite devices.
void ReadUsbPlace(HidrawDevice& device, std::string& place) {
    const std::string usbInterface = Parent(device.hidPath);
    const std::string number = ReadLine(usbInterface + "/bInterfaceNumber");
    unsigned long value = 0;
    if (!ParseHex(number, value)) {
        place = device.hidPath;  // not on USB (uhid, Bluetooth): unique while present
        return;
    }
    place = usbInterface;
    // bNumInterfaces is written with a leading blank, which strtoul skips.
    const std::string count = ReadLine(Parent(usbInterface) + "/bNumInterfaces");
    if (std::strtoul(count.c_str(), nullptr, 10) > 1)
        device.interfaceNumber = static_cast<int>(value);
}

std::string Relative(const std::string& sysRoot, const std::string& path) {
    const std::string root = RealPath(sysRoot);
    if (!root.empty() && path.compare(0, root.size(), root) == 0) return path.substr(root.size());
    return path;
}

}  // namespace

std::string HardwareIdPart(uint16_t vendorId, uint16_t productId, int interfaceNumber) {
    char text[40];
    if (interfaceNumber >= 0)
        std::snprintf(text, sizeof text, "VID_%04X&PID_%04X&MI_%02X", vendorId, productId,
                      static_cast<unsigned>(interfaceNumber));
    else
        std::snprintf(text, sizeof text, "VID_%04X&PID_%04X", vendorId, productId);
    return text;
}

std::string InstancePart(const std::string& place) {
    // FNV-1a: a short, stable hash, as Windows hashes the parent's id into the instance.
    uint32_t hash = 2166136261u;
    for (unsigned char c : place) {
        hash ^= c;
        hash *= 16777619u;
    }
    char text[32];
    std::snprintf(text, sizeof text, "7&%x&0&0000", hash);
    return text;
}

std::string InterfacePathFromInstanceId(const std::string& instanceId, const std::string& guid) {
    std::string path = "\\\\?\\" + instanceId;
    std::replace(path.begin() + 4, path.end(), '\\', '#');
    return path + "#" + GuidInBraces(guid.c_str());
}

bool ReadHidFolder(const std::string& sysRoot, const std::string& hidPath, HidrawDevice& device) {
    device.hidPath = hidPath;
    if (device.hidPath.empty() || !ParseHidId(UeventValue(device.hidPath, "HID_ID"), device))
        return false;
    device.uniq = UeventValue(device.hidPath, "HID_UNIQ");
    std::string place;
    ReadUsbPlace(device, place);
    device.instanceId = "HID\\" +
                        HardwareIdPart(device.vendorId, device.productId, device.interfaceNumber) +
                        "\\" + InstancePart(Relative(sysRoot, place));
    device.interfacePath = InterfacePathFromInstanceId(device.instanceId, kHidInterfaceGuid);
    return true;
}

bool ReadHidrawDevice(const std::string& sysRoot, const std::string& devRoot,
                      const std::string& name, HidrawDevice& device) {
    device = HidrawDevice{};
    device.name = name;
    device.sysfsPath = RealPath(sysRoot + "/class/hidraw/" + name);
    if (device.sysfsPath.empty()) return false;
    if (!ReadHidFolder(sysRoot, RealPath(device.sysfsPath + "/device"), device)) return false;
    const std::string devName = UeventValue(device.sysfsPath, "DEVNAME");
    device.node = devRoot + "/" + (devName.empty() ? name : devName);
    return true;
}

std::vector<HidrawDevice> ListHidrawDevices(const std::string& sysRoot,
                                            const std::string& devRoot) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir((sysRoot + "/class/hidraw").c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::string(entry->d_name).rfind("hidraw", 0) == 0) names.push_back(entry->d_name);
        ::closedir(dir);
    }
    auto number = [](const std::string& n) { return std::strtoul(n.c_str() + 6, nullptr, 10); };
    std::sort(names.begin(), names.end(),
              [&](const std::string& a, const std::string& b) { return number(a) < number(b); });
    std::vector<HidrawDevice> devices;
    for (const std::string& name : names) {
        HidrawDevice device;
        if (ReadHidrawDevice(sysRoot, devRoot, name, device)) devices.push_back(std::move(device));
    }
    return devices;
}

}  // namespace qmt
