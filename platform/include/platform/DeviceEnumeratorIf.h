#pragma once
// Device enumeration as the user-mode programs need it: the present device interfaces of the
// HID interface class and of the audio categories, the device tree behind them, the HID
// serial-number string of an interface, and notice of HID interfaces coming and going.
// Identifiers keep their Windows shape (interface paths such as
// \\?\HID#VID_F7E1&PID_0300&MI_02#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030},
// instance ids such as USB\VID_F7E1&PID_0300&MI_02\6&2f0a&0&2) so that the matching rules
// work on every backend. Paths compare without regard to case.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DeviceClassGuids.h"

namespace qmt {

// A node of the device tree; 0 names no node. Nodes of unplugged devices stop answering.
using DeviceNode = uint32_t;
inline constexpr DeviceNode kNoDeviceNode = 0;

enum class InterfaceCategory : uint8_t { Hid, Audio, Render, Capture };

// Flags of an interface alias.
inline constexpr uint32_t kInterfaceActive = 0x1;
inline constexpr uint32_t kInterfaceDefault = 0x2;
inline constexpr uint32_t kInterfaceRemoved = 0x4;

struct DeviceInterfaceEntry {
    std::string path;
    DeviceNode node = kNoDeviceNode;
};

class DeviceChangeListenerIf {
  public:
    virtual ~DeviceChangeListenerIf() = default;
    // A HID interface arrived (true) or was removed (false). Called on the backend's thread,
    // never with a backend lock held, so the listener may enumerate from here.
    virtual void hidInterfaceChanged(const std::string& path, bool arrived) = 0;
};

class DeviceEnumeratorIf {
  public:
    virtual ~DeviceEnumeratorIf() = default;

    // The present interfaces of a category in enumeration order; false when the system
    // refuses the list.
    virtual bool listInterfaces(InterfaceCategory category,
                                std::vector<DeviceInterfaceEntry>& interfaces) = 0;
    // The setup class identifier of the class with this name ("HIDClass").
    virtual bool getClassGuid(const std::string& className, std::string& guid) = 0;
    // The setup class identifier of a device node.
    virtual bool getDeviceClassGuid(DeviceNode node, std::string& guid) = 0;
    // The flags of an interface's alias in another category; false when it has none.
    virtual bool getInterfaceAlias(const std::string& path, InterfaceCategory alias,
                                   uint32_t& flags) = 0;

    virtual bool getParent(DeviceNode node, DeviceNode& parent) = 0;
    virtual bool getFirstChild(DeviceNode node, DeviceNode& child) = 0;
    virtual bool getNextSibling(DeviceNode node, DeviceNode& sibling) = 0;
    virtual bool getDeviceInstanceId(DeviceNode node, std::string& id) = 0;

    // Opens the HID interface and reads its serial-number string (at most 128 UTF-16 units,
    // possibly unterminated); false when it cannot be opened or does not answer.
    virtual bool getHidSerialNumber(const std::string& path, std::u16string& serial) = 0;

    // Arrival and removal notices for HID interfaces. A listener is told until unregistered;
    // unregistering waits for a notice in progress to finish.
    virtual bool registerHidNotification(DeviceChangeListenerIf* listener) = 0;
    virtual void unregisterHidNotification(DeviceChangeListenerIf* listener) = 0;
};

}  // namespace qmt
