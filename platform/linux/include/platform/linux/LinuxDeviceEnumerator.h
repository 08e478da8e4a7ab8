#pragma once
// Device enumeration for the user-mode programs on Linux, from sysfs: the hidraw nodes as
// HID interfaces, the ALSA cards as audio interfaces (with render and capture aliases for
// their playback and capture devices), and the device tree above them in the shape the
// device models walk on Windows:
//   a hub's children are the devices on its ports;
//   a composite USB device's children are its interfaces ("USB\VID_..&PID_..&MI_nn\..");
//   a single-interface device has no interface node: its HID device is its child;
//   a USB device's instance is its serial string when it has one, as on Windows.
// Notices of HID interfaces come from the same udev watch the driver uses.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DeviceEnumeratorIf.h"

namespace qmt {

class LinuxHidBus;

class LinuxDeviceEnumerator final : public DeviceEnumeratorIf {
  public:
    explicit LinuxDeviceEnumerator(std::string sysRoot = "/sys", std::string devRoot = "/dev");
    ~LinuxDeviceEnumerator() override;

    bool listInterfaces(InterfaceCategory category,
                        std::vector<DeviceInterfaceEntry>& interfaces) override;
    bool getClassGuid(const std::string& className, std::string& guid) override;
    bool getDeviceClassGuid(DeviceNode node, std::string& guid) override;
    bool getInterfaceAlias(const std::string& path, InterfaceCategory alias,
                           uint32_t& flags) override;
    bool getParent(DeviceNode node, DeviceNode& parent) override;
    bool getFirstChild(DeviceNode node, DeviceNode& child) override;
    bool getNextSibling(DeviceNode node, DeviceNode& sibling) override;
    bool getDeviceInstanceId(DeviceNode node, std::string& id) override;
    bool getHidSerialNumber(const std::string& path, std::u16string& serial) override;
    bool registerHidNotification(DeviceChangeListenerIf* listener) override;
    void unregisterHidNotification(DeviceChangeListenerIf* listener) override;

  private:
    DeviceNode NodeFor(const std::string& folder);
    bool FolderOf(DeviceNode node, std::string& folder);
    std::vector<std::string> Children(const std::string& folder);

    const std::string sysRoot_;
    const std::string devRoot_;
    std::mutex mutex_;
    std::map<std::string, DeviceNode> nodes_;
    std::vector<std::string> folders_;  // index = node - 1

    std::mutex listenersMutex_;
    std::unique_ptr<LinuxHidBus> bus_;
    std::map<DeviceChangeListenerIf*, uint64_t> listeners_;
};

}  // namespace qmt
