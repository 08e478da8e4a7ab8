#include "platform/sim/SimDeviceTree.h"

#include <algorithm>
#include <cstdio>

#include "common/AsciiCase.h"

namespace qmt {

namespace {

std::string hex(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
    return text;
}

// "\\?\" + the instance id with its backslashes turned into '#' + "#{class}".
std::string interfacePath(const std::string& instanceId, const char* classGuid) {
    std::string path = "\\\\?\\" + instanceId;
    std::replace(path.begin() + 4, path.end(), '\\', '#');
    return path + "#" + GuidInBraces(classGuid);
}

std::string ascii(const std::u16string& text) {
    std::string out;
    for (char16_t c : text)
        out += static_cast<char>(c & 0xFF);
    return out;
}

// Vendor and product of a model's controller, the interface numbers of its audio and HID
// functions, and whether its HID function is listed before its audio function.
struct Layout {
    const char* vidPid;
    const char* audioMi;
    const char* hidMi;
    bool hidFirst;
};

Layout layoutOf(SimControllerModel model) {
    switch (model) {
        // The KV5's tree walk looks for its product without an interface number, so it
        // relies on the HID function being the first matching child.
        case SimControllerModel::Kv5:
            return {"VID_F7E1&PID_0202", "MI_00", "MI_02", true};
        case SimControllerModel::Ardo:
            return {"VID_F7E1&PID_0300", "MI_00", "MI_02", false};
        case SimControllerModel::ArdoRaw:
            return {"VID_F7E1&PID_0310", "MI_00", "MI_02", false};
        case SimControllerModel::Krt4:
            return {"VID_04D8&PID_0B1C", "MI_00", "MI_05", false};
        case SimControllerModel::Kv10:
            break;
    }
    return {"VID_F7E1&PID_0100", "", "", false};
}

}  // namespace

SimDeviceTree::SimDeviceTree() {
    const DeviceNode root = addNode(kNoDeviceNode, "HTREE\\ROOT\\0", "", 0);
    rootHub_ = addNode(root, "USB\\ROOT_HUB30\\4&1b2c&0&0", kUsbSetupClassGuid, 0);
}

DeviceNode SimDeviceTree::addNode(DeviceNode parent, const std::string& instanceId,
                                  const std::string& classGuid, int owner) {
    const DeviceNode id = nextNode_++;
    nodes_[id] = Node{instanceId, classGuid, parent, {}, owner};
    if (Node* p = findNode(parent)) p->children.push_back(id);
    return id;
}

void SimDeviceTree::addInterface(InterfaceCategory category, DeviceNode node, int owner,
                                 const std::u16string& serial) {
    const std::string& id = nodes_[node].instanceId;
    std::string path = category == InterfaceCategory::Hid
                           ? interfacePath(id, kHidInterfaceGuid)
                           : interfacePath(id, kAudioCategoryGuid) + "\\global";
    interfaces_.push_back(Interface{category, path, node, owner, serial});
}

void SimDeviceTree::buildController(int handle, Controller& c) {
    const std::string port = hex(c.port);
    const Layout layout = layoutOf(c.model);
    const std::string vp = layout.vidPid;
    if (c.model == SimControllerModel::Kv10) {
        // A hub inside the controller carries a separate audio codec and the controller.
        const DeviceNode hub =
            addNode(rootHub_, "USB\\VID_05E3&PID_0608\\5&1c2d" + port + "&0&" + port,
                    kUsbSetupClassGuid, handle);
        const DeviceNode codec = addNode(hub, "USB\\VID_08BB&PID_2702\\6&2f0a" + port + "&0&1",
                                         kUsbSetupClassGuid, handle);
        const DeviceNode audio =
            addNode(codec, "USB\\VID_08BB&PID_2702&MI_00\\7&3b4c" + port + "&0&0000",
                    kMediaSetupClassGuid, handle);
        const DeviceNode usb =
            addNode(hub, "USB\\" + vp + "\\" + ascii(c.serial), kHidSetupClassGuid, handle);
        const DeviceNode hid =
            addNode(usb, "HID\\" + vp + "\\7&1a2b" + port + "c&0&0000", kHidSetupClassGuid, handle);
        addInterface(InterfaceCategory::Audio, audio, handle, u"");
        addInterface(InterfaceCategory::Hid, hid, handle, c.serial);
        return;
    }
    const DeviceNode composite = addNode(rootHub_, "USB\\" + vp + "\\5&1c2d" + port + "&0&" + port,
                                         kUsbSetupClassGuid, handle);
    const std::string hidFunctionId =
        "USB\\" + vp + "&" + layout.hidMi + "\\6&2f0a" + port + "&0&2";
    const std::string audioId = "USB\\" + vp + "&" + layout.audioMi + "\\6&2f0a" + port + "&0&0";
    DeviceNode audio = kNoDeviceNode;
    DeviceNode function = kNoDeviceNode;
    if (layout.hidFirst) {
        function = addNode(composite, hidFunctionId, kHidSetupClassGuid, handle);
        audio = addNode(composite, audioId, kMediaSetupClassGuid, handle);
    } else {
        audio = addNode(composite, audioId, kMediaSetupClassGuid, handle);
        function = addNode(composite, hidFunctionId, kHidSetupClassGuid, handle);
    }
    const DeviceNode hid =
        addNode(function, "HID\\" + vp + "&" + layout.hidMi + "\\7&1a2b" + port + "c&0&0000",
                kHidSetupClassGuid, handle);
    addInterface(InterfaceCategory::Audio, audio, handle, u"");
    addInterface(InterfaceCategory::Hid, hid, handle, c.serial);
}

void SimDeviceTree::removeNodesOf(int owner) {
    std::erase_if(interfaces_, [owner](const Interface& i) { return i.owner == owner; });
    for (auto& [id, node] : nodes_) {
        std::erase_if(node.children,
                      [&](DeviceNode child) { return nodes_[child].owner == owner; });
    }
    std::erase_if(nodes_, [owner](const auto& entry) { return entry.second.owner == owner; });
}

int SimDeviceTree::plugController(SimControllerModel model, const std::u16string& serial,
                                  int port) {
    std::vector<std::pair<std::string, bool>> notices;
    int handle = 0;
    {
        std::lock_guard lock(mutex_);
        handle = nextController_++;
        Controller& c = controllers_[handle];
        c.model = model;
        c.serial = serial;
        c.port = port;
        c.plugged = true;
        buildController(handle, c);
        for (const Interface& i : interfaces_) {
            if (i.owner == handle && i.category == InterfaceCategory::Hid)
                notices.emplace_back(i.path, true);
        }
    }
    notify(notices);
    notifyPlug(handle, true);
    return handle;
}

bool SimDeviceTree::unplugController(int controller) {
    std::vector<std::pair<std::string, bool>> notices;
    {
        std::lock_guard lock(mutex_);
        auto it = controllers_.find(controller);
        if (it == controllers_.end() || !it->second.plugged) return false;
        for (const Interface& i : interfaces_) {
            if (i.owner == controller && i.category == InterfaceCategory::Hid)
                notices.emplace_back(i.path, false);
        }
        removeNodesOf(controller);
        it->second.plugged = false;
    }
    notify(notices);
    notifyPlug(controller, false);
    return true;
}

bool SimDeviceTree::moveController(int controller, int port) {
    {
        std::lock_guard lock(mutex_);
        if (controllers_.count(controller) == 0) return false;
    }
    unplugController(controller);
    std::vector<std::pair<std::string, bool>> notices;
    {
        std::lock_guard lock(mutex_);
        Controller& c = controllers_[controller];
        c.port = port;
        c.plugged = true;
        buildController(controller, c);
        for (Interface& i : interfaces_) {
            if (i.owner != controller) continue;
            i.readable = c.readable;
            i.renderFlags = c.renderFlags;
            i.captureFlags = c.captureFlags;
            if (i.category == InterfaceCategory::Hid) notices.emplace_back(i.path, true);
        }
    }
    notify(notices);
    notifyPlug(controller, true);
    return true;
}

std::string SimDeviceTree::hidInterfacePath(int controller) {
    std::lock_guard lock(mutex_);
    for (const Interface& i : interfaces_) {
        if (i.owner == controller && i.category == InterfaceCategory::Hid) return i.path;
    }
    return "";
}

std::string SimDeviceTree::audioInterfacePath(int controller) {
    std::lock_guard lock(mutex_);
    for (const Interface& i : interfaces_) {
        if (i.owner == controller && i.category == InterfaceCategory::Audio) return i.path;
    }
    return "";
}

DeviceNode SimDeviceTree::audioDeviceNode(int controller) {
    std::lock_guard lock(mutex_);
    for (const Interface& i : interfaces_) {
        if (i.owner == controller && i.category == InterfaceCategory::Audio) return i.node;
    }
    return kNoDeviceNode;
}

int SimDeviceTree::controllerWithAudioPath(const std::string& path) {
    std::lock_guard lock(mutex_);
    const Interface* i = findInterface(path);
    return i != nullptr && i->category == InterfaceCategory::Audio ? i->owner : 0;
}

bool SimDeviceTree::controllerModel(int controller, SimControllerModel& model) {
    std::lock_guard lock(mutex_);
    auto it = controllers_.find(controller);
    if (it == controllers_.end()) return false;
    model = it->second.model;
    return true;
}

void SimDeviceTree::setPlugObserver(std::function<void(int controller, bool plugged)> observer) {
    std::lock_guard lock(noticeMutex_);
    plugObserver_ = std::move(observer);
}

void SimDeviceTree::notifyPlug(int controller, bool plugged) {
    std::lock_guard lock(noticeMutex_);
    if (plugObserver_) plugObserver_(controller, plugged);
}

void SimDeviceTree::addOtherHidDevice(const std::string& instanceId, const std::string& classGuid,
                                      const std::u16string& serial) {
    std::vector<std::pair<std::string, bool>> notices;
    {
        std::lock_guard lock(mutex_);
        const DeviceNode node = addNode(rootHub_, instanceId, classGuid, 0);
        addInterface(InterfaceCategory::Hid, node, 0, serial);
        notices.emplace_back(interfaces_.back().path, true);
    }
    notify(notices);
}

void SimDeviceTree::setSerialReadable(int controller, bool readable) {
    std::lock_guard lock(mutex_);
    controllers_[controller].readable = readable;
    for (Interface& i : interfaces_) {
        if (i.owner == controller) i.readable = readable;
    }
}

void SimDeviceTree::setEnumerationFailing(bool failing) {
    std::lock_guard lock(mutex_);
    failing_ = failing;
}

void SimDeviceTree::setAliasFlags(int controller, InterfaceCategory alias, uint32_t flags) {
    std::lock_guard lock(mutex_);
    Controller& c = controllers_[controller];
    (alias == InterfaceCategory::Render ? c.renderFlags : c.captureFlags) = flags;
    for (Interface& i : interfaces_) {
        if (i.owner == controller)
            (alias == InterfaceCategory::Render ? i.renderFlags : i.captureFlags) = flags;
    }
}

int SimDeviceTree::noticesSent() {
    std::lock_guard lock(noticeMutex_);
    return noticesSent_;
}

bool SimDeviceTree::listInterfaces(InterfaceCategory category,
                                   std::vector<DeviceInterfaceEntry>& interfaces) {
    std::lock_guard lock(mutex_);
    interfaces.clear();
    if (failing_) return false;
    for (const Interface& i : interfaces_) {
        const bool audio = i.category == InterfaceCategory::Audio;
        const bool wanted =
            i.category == category ||
            (audio && category == InterfaceCategory::Render && i.renderFlags != 0) ||
            (audio && category == InterfaceCategory::Capture && i.captureFlags != 0);
        if (wanted) interfaces.push_back(DeviceInterfaceEntry{i.path, i.node});
    }
    return true;
}

bool SimDeviceTree::getClassGuid(const std::string& className, std::string& guid) {
    return SetupClassGuidOf(className, guid);
}

bool SimDeviceTree::getDeviceClassGuid(DeviceNode node, std::string& guid) {
    std::lock_guard lock(mutex_);
    const Node* n = findNode(node);
    if (n == nullptr || n->classGuid.empty()) return false;
    guid = n->classGuid;
    return true;
}

bool SimDeviceTree::getInterfaceAlias(const std::string& path, InterfaceCategory alias,
                                      uint32_t& flags) {
    std::lock_guard lock(mutex_);
    const Interface* i = findInterface(path);
    if (i == nullptr || i->category != InterfaceCategory::Audio) return false;
    if (alias == InterfaceCategory::Render) {
        flags = i->renderFlags;
    } else if (alias == InterfaceCategory::Capture) {
        flags = i->captureFlags;
    } else {
        return false;
    }
    return true;
}

bool SimDeviceTree::getParent(DeviceNode node, DeviceNode& parent) {
    std::lock_guard lock(mutex_);
    const Node* n = findNode(node);
    if (n == nullptr || n->parent == kNoDeviceNode) return false;
    parent = n->parent;
    return true;
}

bool SimDeviceTree::getFirstChild(DeviceNode node, DeviceNode& child) {
    std::lock_guard lock(mutex_);
    const Node* n = findNode(node);
    if (n == nullptr || n->children.empty()) return false;
    child = n->children.front();
    return true;
}

bool SimDeviceTree::getNextSibling(DeviceNode node, DeviceNode& sibling) {
    std::lock_guard lock(mutex_);
    const Node* n = findNode(node);
    const Node* parent = n != nullptr ? findNode(n->parent) : nullptr;
    if (parent == nullptr) return false;
    auto it = std::find(parent->children.begin(), parent->children.end(), node);
    if (it == parent->children.end() || ++it == parent->children.end()) return false;
    sibling = *it;
    return true;
}

bool SimDeviceTree::getDeviceInstanceId(DeviceNode node, std::string& id) {
    std::lock_guard lock(mutex_);
    const Node* n = findNode(node);
    if (n == nullptr) return false;
    id = n->instanceId;
    return true;
}

bool SimDeviceTree::getHidSerialNumber(const std::string& path, std::u16string& serial) {
    std::lock_guard lock(mutex_);
    const Interface* i = findInterface(path);
    if (i == nullptr || i->category != InterfaceCategory::Hid || !i->readable) return false;
    // The request's buffer holds 256 bytes.
    serial = i->serial.substr(0, 128);
    return true;
}

bool SimDeviceTree::registerHidNotification(DeviceChangeListenerIf* listener) {
    if (listener == nullptr) return false;
    std::lock_guard lock(noticeMutex_);
    listeners_.push_back(listener);
    return true;
}

void SimDeviceTree::unregisterHidNotification(DeviceChangeListenerIf* listener) {
    std::lock_guard lock(noticeMutex_);
    std::erase(listeners_, listener);
}

SimDeviceTree::Node* SimDeviceTree::findNode(DeviceNode node) {
    auto it = nodes_.find(node);
    return it == nodes_.end() ? nullptr : &it->second;
}

SimDeviceTree::Interface* SimDeviceTree::findInterface(const std::string& path) {
    for (Interface& i : interfaces_) {
        if (equalsIgnoreCase(i.path, path)) return &i;
    }
    return nullptr;
}

void SimDeviceTree::notify(const std::vector<std::pair<std::string, bool>>& notices) {
    std::lock_guard lock(noticeMutex_);
    for (const auto& [path, arrived] : notices) {
        const std::vector<DeviceChangeListenerIf*> listeners = listeners_;
        for (DeviceChangeListenerIf* listener : listeners) {
            if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
                continue;
            listener->hidInterfaceChanged(path, arrived);
        }
        ++noticesSent_;
    }
}

}  // namespace qmt
