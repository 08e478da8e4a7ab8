#include "platform/linux/LinuxDeviceEnumerator.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "common/AsciiCase.h"
#include "platform/linux/AlsaCardList.h"
#include "platform/linux/HidrawDevice.h"
#include "platform/linux/LinuxHidBus.h"
#include "platform/linux/SysfsDeviceTree.h"

namespace qmt {

namespace {

// Forwards the bus's notices to one listener, except the present interfaces that the bus
// reports to the registering thread while the registration is made: the listener asked
// only for changes. Notices from the watch thread pass at all times.
struct Forwarder {
    DeviceChangeListenerIf* listener;
    std::thread::id registrar = std::this_thread::get_id();
    std::atomic<bool> registering{true};
    void operator()(const std::string& path, bool arrived) const {
        if (registering.load() && std::this_thread::get_id() == registrar) return;
        listener->hidInterfaceChanged(path, arrived);
    }
};

}  // namespace

LinuxDeviceEnumerator::LinuxDeviceEnumerator(std::string sysRoot, std::string devRoot)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {}

LinuxDeviceEnumerator::~LinuxDeviceEnumerator() {
    std::lock_guard lock(listenersMutex_);
    for (const auto& [listener, id] : listeners_)
        bus_->Unregister(id);
    bus_.reset();
}

DeviceNode LinuxDeviceEnumerator::NodeFor(const std::string& folder) {
    if (folder.empty()) return kNoDeviceNode;
    std::lock_guard lock(mutex_);
    auto it = nodes_.find(folder);
    if (it != nodes_.end()) return it->second;
    folders_.push_back(folder);
    const DeviceNode node = static_cast<DeviceNode>(folders_.size());
    nodes_[folder] = node;
    return node;
}

bool LinuxDeviceEnumerator::FolderOf(DeviceNode node, std::string& folder) {
    {
        std::lock_guard lock(mutex_);
        if (node == kNoDeviceNode || node > folders_.size()) return false;
        folder = folders_[node - 1];
    }
    // Nodes of unplugged devices stop answering.
    return KindOfFolder(folder) != SysfsNodeKind::None;
}

bool LinuxDeviceEnumerator::listInterfaces(InterfaceCategory category,
                                           std::vector<DeviceInterfaceEntry>& interfaces) {
    interfaces.clear();
    if (category == InterfaceCategory::Hid) {
        for (const HidrawDevice& device : ListHidrawDevices(sysRoot_, devRoot_))
            interfaces.push_back({device.interfacePath, NodeFor(device.hidPath)});
        return true;
    }
    for (const AlsaCardEntry& card : ListAlsaCards(sysRoot_)) {
        const bool wanted = category == InterfaceCategory::Audio ||
                            (category == InterfaceCategory::Render && card.playbackDevice >= 0) ||
                            (category == InterfaceCategory::Capture && card.captureDevice >= 0);
        if (wanted) interfaces.push_back({card.path, NodeFor(card.folder)});
    }
    return true;
}

bool LinuxDeviceEnumerator::getClassGuid(const std::string& className, std::string& guid) {
    return SetupClassGuidOf(className, guid);
}

bool LinuxDeviceEnumerator::getDeviceClassGuid(DeviceNode node, std::string& guid) {
    std::string folder;
    if (!FolderOf(node, folder)) return false;
    guid = ClassGuidOfFolder(folder);
    return !guid.empty();
}

bool LinuxDeviceEnumerator::getInterfaceAlias(const std::string& path, InterfaceCategory alias,
                                              uint32_t& flags) {
    if (alias != InterfaceCategory::Render && alias != InterfaceCategory::Capture) return false;
    for (const AlsaCardEntry& card : ListAlsaCards(sysRoot_)) {
        if (!equalsIgnoreCase(card.path, path)) continue;
        const bool present =
            (alias == InterfaceCategory::Render ? card.playbackDevice : card.captureDevice) >= 0;
        flags = present ? kInterfaceActive : 0;
        return present;
    }
    return false;
}

bool LinuxDeviceEnumerator::getParent(DeviceNode node, DeviceNode& parent) {
    std::string folder;
    if (!FolderOf(node, folder)) return false;
    const std::string above = ParentFolder(folder);
    if (above.empty()) return false;
    parent = NodeFor(above);
    return true;
}

bool LinuxDeviceEnumerator::getFirstChild(DeviceNode node, DeviceNode& child) {
    std::string folder;
    if (!FolderOf(node, folder)) return false;
    const std::vector<std::string> children = ChildFolders(folder);
    if (children.empty()) return false;
    child = NodeFor(children.front());
    return true;
}

bool LinuxDeviceEnumerator::getNextSibling(DeviceNode node, DeviceNode& sibling) {
    std::string folder;
    if (!FolderOf(node, folder)) return false;
    const std::string above = ParentFolder(folder);
    if (above.empty()) return false;
    const std::vector<std::string> siblings = ChildFolders(above);
    auto it = std::find(siblings.begin(), siblings.end(), folder);
    if (it == siblings.end() || ++it == siblings.end()) return false;
    sibling = NodeFor(*it);
    return true;
}

bool LinuxDeviceEnumerator::getDeviceInstanceId(DeviceNode node, std::string& id) {
    std::string folder;
    if (!FolderOf(node, folder)) return false;
    id = InstanceIdOfFolder(sysRoot_, folder);
    return !id.empty();
}

bool LinuxDeviceEnumerator::getHidSerialNumber(const std::string& path, std::u16string& serial) {
    // Windows opens the interface with no access rights for this; sysfs needs none either,
    // so a controller is listed even before its udev rule gives the user the node.
    for (const HidrawDevice& device : ListHidrawDevices(sysRoot_, devRoot_)) {
        if (!equalsIgnoreCase(device.interfacePath, path)) continue;
        if (device.uniq.empty()) return false;  // the device has no serial string
        serial.assign(device.uniq.begin(), device.uniq.end());
        if (serial.size() > 128) serial.resize(128);
        return true;
    }
    return false;
}

bool LinuxDeviceEnumerator::registerHidNotification(DeviceChangeListenerIf* listener) {
    if (listener == nullptr) return false;
    std::lock_guard lock(listenersMutex_);
    if (listeners_.count(listener) != 0) return true;
    if (!bus_) bus_ = std::make_unique<LinuxHidBus>(LinuxHidBus::Diagnostics{}, sysRoot_, devRoot_);
    auto forwarder = std::make_shared<Forwarder>();
    forwarder->listener = listener;
    const uint64_t id = bus_->Register(
        [forwarder](const std::string& path, bool arrived) { (*forwarder)(path, arrived); });
    forwarder->registering = false;
    if (id == 0) return false;
    listeners_[listener] = id;
    return true;
}

void LinuxDeviceEnumerator::unregisterHidNotification(DeviceChangeListenerIf* listener) {
    std::lock_guard lock(listenersMutex_);
    auto it = listeners_.find(listener);
    if (it == listeners_.end()) return;
    bus_->Unregister(it->second);
    listeners_.erase(it);
}

}  // namespace qmt
