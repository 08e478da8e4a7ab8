#pragma once
// Kernel device events of one subsystem through libudev. When udev runs, its events are
// used (they come after the rules gave the node its owner and mode); without udev (as in
// a bare guest) the kernel's own events are. When neither can be had, the monitor says so
// and its owner falls back to scanning.

#include <string>

struct udev;
struct udev_monitor;

namespace qmt {

struct DeviceEvent {
    std::string action;  // "add", "remove", "change", ...
    std::string syspath;
};

class UdevMonitor {
  public:
    explicit UdevMonitor(const std::string& subsystem);
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    // -1 when no event source could be opened.
    int fd() const;
    // One pending event; false when none is waiting.
    bool Receive(DeviceEvent& event);
    // "udev", "kernel" or "" (none).
    const std::string& source() const { return source_; }

  private:
    std::string subsystem_;
    std::string source_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

}  // namespace qmt
