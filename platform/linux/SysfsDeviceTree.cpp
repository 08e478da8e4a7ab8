#include "platform/linux/SysfsDeviceTree.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/DeviceClassGuids.h"
#include "platform/linux/HidrawDevice.h"

namespace qmt {

namespace {

constexpr unsigned kAudioInterfaceClass = 0x01;
constexpr unsigned kHidInterfaceClass = 0x03;
constexpr uint16_t kLinuxFoundation = 0x1D6B;  // the vendor id of root hubs

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

std::string ReadLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    return line;
}

unsigned ReadHex(const std::string& path) {
    return static_cast<unsigned>(std::strtoul(ReadLine(path).c_str(), nullptr, 16));
}

std::string Parent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

std::string Name(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
    return text;
}

bool Composite(const std::string& usbDevice) {
    return std::strtoul(ReadLine(usbDevice + "/bNumInterfaces").c_str(), nullptr, 10) > 1;
}

std::vector<std::string> SubFolders(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            struct stat info;
            // Links in sysfs point elsewhere (driver, subsystem): not children.
            if (::lstat((folder + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
                names.push_back(folder + "/" + name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The one interface of a single-interface device.
std::string SoleInterface(const std::string& usbDevice) {
    for (const std::string& child : SubFolders(usbDevice))
        if (KindOfFolder(child) == SysfsNodeKind::UsbInterface) return child;
    return {};
}

// The hash part of an instance made from a place in the tree.
std::string HashOf(const std::string& place) {
    const std::string instance = InstancePart(place);  // 7&<hash>&0&0000
    return instance.substr(2, instance.find('&', 2) - 2);
}

}  // namespace

SysfsNodeKind KindOfFolder(const std::string& folder) {
    if (folder.empty() || !Exists(folder)) return SysfsNodeKind::None;
    if (Exists(folder + "/idVendor")) return SysfsNodeKind::UsbDevice;
    if (Exists(folder + "/bInterfaceNumber")) return SysfsNodeKind::UsbInterface;
    if (Exists(folder + "/report_descriptor") || Name(folder).find(':') == 4)
        return Exists(folder + "/uevent") ? SysfsNodeKind::HidDevice : SysfsNodeKind::None;
    return SysfsNodeKind::Other;
}

bool IsTransparent(const std::string& folder) {
    return KindOfFolder(folder) == SysfsNodeKind::UsbInterface && !Composite(Parent(folder));
}

std::string InstanceIdOfFolder(const std::string& sysRoot, const std::string& folder) {
    switch (KindOfFolder(folder)) {
        case SysfsNodeKind::HidDevice: {
            HidrawDevice device;
            return ReadHidFolder(sysRoot, folder, device) ? device.instanceId : std::string();
        }
        case SysfsNodeKind::UsbInterface: {
            const std::string device = Parent(folder);
            const unsigned number = ReadHex(folder + "/bInterfaceNumber");
            char mi[8];
            std::snprintf(mi, sizeof mi, "%02X", number);
            return "USB\\VID_" + Hex4(ReadHex(device + "/idVendor")) + "&PID_" +
                   Hex4(ReadHex(device + "/idProduct")) + "&MI_" + mi + "\\6&" + HashOf(device) +
                   "&0&" + std::to_string(number);
        }
        case SysfsNodeKind::UsbDevice: {
            const unsigned vendor = ReadHex(folder + "/idVendor");
            const std::string hash = HashOf(Parent(folder));
            if (vendor == kLinuxFoundation) return "USB\\ROOT_HUB30\\4&" + hash + "&0&0";
            const std::string serial = ReadLine(folder + "/serial");
            const std::string port = ReadLine(folder + "/devpath");
            return "USB\\VID_" + Hex4(vendor) + "&PID_" + Hex4(ReadHex(folder + "/idProduct")) +
                   "\\" + (serial.empty() ? "5&" + hash + "&0&" + port : serial);
        }
        case SysfsNodeKind::Other:
            return "ROOT\\SYSTEM\\" + InstancePart(folder);
        case SysfsNodeKind::None:
            break;
    }
    return {};
}

std::string ClassGuidOfFolder(const std::string& folder) {
    switch (KindOfFolder(folder)) {
        case SysfsNodeKind::HidDevice:
            return kHidSetupClassGuid;
        case SysfsNodeKind::UsbInterface: {
            const unsigned kind = ReadHex(folder + "/bInterfaceClass");
            if (kind == kAudioInterfaceClass) return kMediaSetupClassGuid;
            return kind == kHidInterfaceClass ? kHidSetupClassGuid : kUsbSetupClassGuid;
        }
        case SysfsNodeKind::UsbDevice:
            // A single-function device takes its function's class, as Windows shows it.
            if (!Composite(folder)) {
                const std::string sole = SoleInterface(folder);
                if (!sole.empty() && ReadHex(folder + "/bDeviceClass") != 0x09)
                    return ClassGuidOfFolder(sole);
            }
            return kUsbSetupClassGuid;
        case SysfsNodeKind::Other:
        case SysfsNodeKind::None:
            break;
    }
    return {};
}

std::string ParentFolder(const std::string& folder) {
    const SysfsNodeKind kind = KindOfFolder(folder);
    if (kind == SysfsNodeKind::UsbDevice && ReadHex(folder + "/idVendor") == kLinuxFoundation)
        return {};
    std::string parent = Parent(folder);
    if (IsTransparent(parent)) parent = Parent(parent);
    const SysfsNodeKind above = KindOfFolder(parent);
    return above == SysfsNodeKind::UsbDevice || above == SysfsNodeKind::UsbInterface ||
                   above == SysfsNodeKind::HidDevice
               ? parent
               : std::string();
}

// A composite device's functions are listed HID function first, the rest by interface
// number. Windows lists a controller's HID function before its audio function, and the
// KV5's device model relies on that: it takes the first function of its product it meets,
// without an interface number, as the one carrying the HID device. sysfs alone would list
// the audio function (interface 0) first and the KV5 would never be identified.
static bool HoldsHidFunction(const std::string& usbInterface) {
    return ReadHex(usbInterface + "/bInterfaceClass") == kHidInterfaceClass;
}

std::vector<std::string> ChildFolders(const std::string& folder) {
    std::vector<std::string> children;
    std::vector<std::string> subFolders = SubFolders(folder);
    std::stable_partition(subFolders.begin(), subFolders.end(), [](const std::string& sub) {
        return KindOfFolder(sub) == SysfsNodeKind::UsbInterface && HoldsHidFunction(sub);
    });
    for (const std::string& sub : subFolders) {
        const SysfsNodeKind kind = KindOfFolder(sub);
        if (kind == SysfsNodeKind::UsbInterface && IsTransparent(sub)) {
            for (const std::string& inner : SubFolders(sub))
                if (KindOfFolder(inner) == SysfsNodeKind::HidDevice) children.push_back(inner);
        } else if (kind == SysfsNodeKind::UsbInterface || kind == SysfsNodeKind::UsbDevice ||
                   kind == SysfsNodeKind::HidDevice) {
            children.push_back(sub);
        }
    }
    return children;
}

}  // namespace qmt
