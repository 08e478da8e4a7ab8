#include "platform/linux/HidrawFileSystem.h"

#include <unistd.h>

#include <cerrno>

#include "common/AsciiCase.h"
#include "platform/DeviceClassGuids.h"
#include "platform/linux/HidrawFile.h"

namespace qmt {

HidrawFileSystem::HidrawFileSystem(Diagnostics diagnostics, std::string sysRoot,
                                   std::string devRoot)
    : diagnostics_(std::move(diagnostics)),
      sysRoot_(std::move(sysRoot)),
      devRoot_(std::move(devRoot)) {}

bool HidrawFileSystem::Find(const std::string& path, HidrawDevice& device) {
    for (HidrawDevice& candidate : ListHidrawDevices(sysRoot_, devRoot_)) {
        if (!equalsIgnoreCase(candidate.interfacePath, path)) continue;
        device = std::move(candidate);
        return true;
    }
    return false;
}

std::unique_ptr<HidFileIf> HidrawFileSystem::Open(const std::string& path, bool forWriting) {
    HidrawDevice device;
    if (!Find(path, device)) return nullptr;
    std::unique_ptr<HidrawFile> file = HidrawFile::Open(device.node, forWriting, device.uniq);
    if (file) {
        // A descriptor that does not match the model makes every report fail to read;
        // without a word the controller would just seem dead.
        if (diagnostics_)
            file->SetDiagnostics([diagnostics = diagnostics_, node = device.node,
                                  ids = HardwareIdPart(device.vendorId, device.productId, -1)](
                                     const std::string& message) {
                diagnostics(node + " (USB " + ids + "): " + message);
            });
        return file;
    }
    if ((errno == EACCES || errno == EPERM) && diagnostics_) {
        std::lock_guard lock(warnedMutex_);
        if (warned_.insert(device.node).second)
            diagnostics_("no access to " + device.node + " (USB " +
                         HardwareIdPart(device.vendorId, device.productId, -1) +
                         "): the controllers' udev rule gives the node to the user at the "
                         "seat and to group audio. Installed from the package, the rule is "
                         "in place: join group audio (sudo adduser $USER audio, then log in "
                         "again). Built from source: copy packaging/60-qmt-controllers.rules "
                         "into /etc/udev/rules.d and run sudo udevadm control --reload. Then "
                         "plug the controller in again");
    }
    return nullptr;
}

bool HidrawFileSystem::Probe(const std::string& path, HidProbe& probe) {
    HidrawDevice device;
    if (!Find(path, device) || ::access(device.node.c_str(), F_OK) != 0) return false;
    // Every hidraw node sits on a HID class device; the class GUID is the HID class's.
    probe = HidProbe{kFileDeviceUnknown, GuidInBraces(kHidSetupClassGuid)};
    return true;
}

}  // namespace qmt
