#pragma once
// What sysfs says about one hidraw node, and the Windows-shaped names made from it. The
// interface path and instance id carry the USB ids, the interface number on composite
// devices, and an instance part hashed from where the device sits in the device tree, so a
// controller keeps its path while it stays in the same USB port (as on Windows) and two
// identical controllers never share one.

#include <cstdint>
#include <string>
#include <vector>

namespace qmt {

struct HidrawDevice {
    std::string name;       // "hidraw0"
    std::string node;       // "/dev/hidraw0"
    std::string sysfsPath;  // the hidraw device's own folder, links resolved
    std::string hidPath;    // the HID device's folder (its parent)
    uint16_t bus = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int interfaceNumber = -1;   // on a USB device with more than one interface
    std::string uniq;           // the serial string the kernel knows
    std::string instanceId;     // HID\VID_F7E1&PID_0300&MI_02\7&1a2b3c&0&0000
    std::string interfacePath;  // \\?\HID#VID_F7E1&PID_0300&MI_02#7&1a2b3c&0&0000#{4d1e...}
};

// Reads /sys/class/hidraw/<name> below `sysRoot`; device nodes are looked for in `devRoot`.
bool ReadHidrawDevice(const std::string& sysRoot, const std::string& devRoot,
                      const std::string& name, HidrawDevice& device);
// Fills the HID part (ids, serial, names) from a HID device's own folder.
bool ReadHidFolder(const std::string& sysRoot, const std::string& hidPath, HidrawDevice& device);
// Every hidraw node present, ordered by node number.
std::vector<HidrawDevice> ListHidrawDevices(const std::string& sysRoot, const std::string& devRoot);

// "VID_F7E1&PID_0300&MI_02" (no MI part when interfaceNumber < 0).
std::string HardwareIdPart(uint16_t vendorId, uint16_t productId, int interfaceNumber);
// "7&1a2b3c&0&0000" from the place of the device in the tree.
std::string InstancePart(const std::string& place);
// "\\?\" + instance id with '\' as '#' + "#{interface class}".
std::string InterfacePathFromInstanceId(const std::string& instanceId, const std::string& guid);

}  // namespace qmt
