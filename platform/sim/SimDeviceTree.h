#pragma once
// A virtual device tree for tests and the demo. Controllers are composite USB devices laid
// out the way the real ones appear: each model's audio function and HID function sit where
// its device model's tree walk looks for them. Plugging, unplugging and moving a controller
// to another port are single calls; HID arrivals and removals are announced to the
// registered listeners on the calling thread, after the tree's lock is released.

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DeviceEnumeratorIf.h"

namespace qmt {

enum class SimControllerModel : uint8_t { Kv10, Kv5, Ardo, ArdoRaw, Krt4 };

class SimDeviceTree final : public DeviceEnumeratorIf {
  public:
    SimDeviceTree();

    // Returns the controller's handle for the calls below (never 0). `port` makes the
    // identifiers: the same controller on another port gets other instance ids and paths.
    int plugController(SimControllerModel model, const std::u16string& serial, int port);
    bool unplugController(int controller);
    // Unplugs (when plugged) and plugs again on `port`, as a user moving the cable does.
    bool moveController(int controller, int port);

    // The paths the controller's interfaces have while it is plugged (empty otherwise).
    std::string hidInterfacePath(int controller);
    std::string audioInterfacePath(int controller);
    DeviceNode audioDeviceNode(int controller);
    // The plugged controller whose audio interface has this path (compared without regard
    // to case), or 0; and a controller's model. The simulated sound cards use these.
    int controllerWithAudioPath(const std::string& path);
    bool controllerModel(int controller, SimControllerModel& model);
    // Told of every controller plugged in (true) or out (false), after the HID notices, on
    // the calling thread. One observer; an empty function removes it.
    void setPlugObserver(std::function<void(int controller, bool plugged)> observer);

    // A HID interface of some other device, with its own setup class.
    void addOtherHidDevice(const std::string& instanceId, const std::string& classGuid,
                           const std::u16string& serial);
    // Failures the real system shows: an interface that cannot be opened, a list refused.
    void setSerialReadable(int controller, bool readable);
    void setEnumerationFailing(bool failing);
    void setAliasFlags(int controller, InterfaceCategory alias, uint32_t flags);
    // Number of HID notices delivered so far.
    int noticesSent();

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
    struct Node {
        std::string instanceId;
        std::string classGuid;
        DeviceNode parent = kNoDeviceNode;
        std::vector<DeviceNode> children;
        int owner = 0;  // controller handle, 0 for fixed nodes
    };
    struct Interface {
        InterfaceCategory category;
        std::string path;
        DeviceNode node;
        int owner;
        std::u16string serial;
        bool readable = true;
        uint32_t renderFlags = kInterfaceActive;
        uint32_t captureFlags = kInterfaceActive;
    };
    struct Controller {
        SimControllerModel model;
        std::u16string serial;
        int port = 0;
        bool plugged = false;
        bool readable = true;
        uint32_t renderFlags = kInterfaceActive;
        uint32_t captureFlags = kInterfaceActive;
    };

    DeviceNode addNode(DeviceNode parent, const std::string& instanceId,
                       const std::string& classGuid, int owner);
    void removeNodesOf(int owner);
    void buildController(int handle, Controller& controller);
    void addInterface(InterfaceCategory category, DeviceNode node, int owner,
                      const std::u16string& serial);
    Node* findNode(DeviceNode node);
    Interface* findInterface(const std::string& path);
    void notify(const std::vector<std::pair<std::string, bool>>& notices);
    void notifyPlug(int controller, bool plugged);

    std::mutex mutex_;
    std::map<DeviceNode, Node> nodes_;
    std::vector<Interface> interfaces_;
    std::map<int, Controller> controllers_;
    DeviceNode nextNode_ = 1;
    int nextController_ = 1;
    DeviceNode rootHub_ = kNoDeviceNode;
    bool failing_ = false;

    std::recursive_mutex noticeMutex_;
    std::vector<DeviceChangeListenerIf*> listeners_;
    std::function<void(int, bool)> plugObserver_;
    int noticesSent_ = 0;
};

}  // namespace qmt
