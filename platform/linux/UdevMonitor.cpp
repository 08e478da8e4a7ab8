#include "platform/linux/UdevMonitor.h"

#include <libudev.h>
#include <unistd.h>

namespace qmt {

namespace {

// udevd's control socket exists while it runs; without it no "udev" event ever comes.
bool UdevRunning() {
    return ::access("/run/udev/control", F_OK) == 0;
}

}  // namespace

UdevMonitor::UdevMonitor(const std::string& subsystem) : subsystem_(subsystem) {
    udev_ = udev_new();
    if (udev_ == nullptr) return;
    const char* source = UdevRunning() ? "udev" : "kernel";
    monitor_ = udev_monitor_new_from_netlink(udev_, source);
    if (monitor_ == nullptr) return;
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, subsystem_.c_str(), nullptr);
    if (udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return;
    }
    source_ = source;
}

UdevMonitor::~UdevMonitor() {
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    if (udev_ != nullptr) udev_unref(udev_);
}

int UdevMonitor::fd() const {
    return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1;
}

bool UdevMonitor::Receive(DeviceEvent& event) {
    if (monitor_ == nullptr) return false;
    for (;;) {
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (device == nullptr) return false;
        // Kernel events pass the socket filter unchecked; look at the subsystem here.
        const char* subsystem = udev_device_get_subsystem(device);
        const char* action = udev_device_get_action(device);
        const char* syspath = udev_device_get_syspath(device);
        const bool wanted = subsystem != nullptr && subsystem_ == subsystem;
        if (wanted) {
            event.action = action != nullptr ? action : "";
            event.syspath = syspath != nullptr ? syspath : "";
        }
        udev_device_unref(device);
        if (wanted) return true;
    }
}

}  // namespace qmt
