#pragma once
// The controllers' HID interfaces on Linux: hidraw nodes found in sysfs, announced from
// udev events (or the kernel's own events when udev does not run, or a rescan every second
// when neither can be had), named by Windows-shaped interface paths and mapped back to
// their /dev/hidrawN node for opening. Notifications go one at a time on the monitor
// thread; Register announces the present interfaces on the caller's thread.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/HidDevices.h"
#include "platform/linux/HidrawDevice.h"
#include "platform/linux/HidrawFileSystem.h"

namespace qmt {

class UdevMonitor;

class LinuxHidBus final : public HidNotifierIf, public HidFileSystemIf {
  public:
    // Messages a user can act on (a node without access rights) go here.
    using Diagnostics = HidrawFileSystem::Diagnostics;

    explicit LinuxHidBus(Diagnostics diagnostics = {}, std::string sysRoot = "/sys",
                         std::string devRoot = "/dev");
    ~LinuxHidBus() override;
    LinuxHidBus(const LinuxHidBus&) = delete;
    LinuxHidBus& operator=(const LinuxHidBus&) = delete;

    uint64_t Register(Callback callback) override;
    void Unregister(uint64_t registration) override;
    std::unique_ptr<HidFileIf> Open(const std::string& path, bool forWriting) override;
    bool Probe(const std::string& path, HidProbe& probe) override;

    // "udev", "kernel" or "scan": where arrivals are heard from.
    std::string eventSource();
    // Finds the present device with this interface path.
    bool Find(const std::string& path, HidrawDevice& device);

  private:
    void Watch();
    // Compares sysfs with what was announced and announces the difference.
    void Rescan();
    void Forget(const std::string& syspath);
    void Announce(const std::string& path, bool arrived);

    HidrawFileSystem files_;
    const std::string sysRoot_;
    const std::string devRoot_;
    std::unique_ptr<UdevMonitor> monitor_;

    // Held while callbacks run, so notifications go one at a time and Unregister waits
    // for a callback in progress; also guards the announced set.
    std::recursive_mutex notifyMutex_;
    std::map<uint64_t, Callback> callbacks_;
    uint64_t nextRegistration_ = 1;
    std::map<std::string, HidrawDevice> announced_;  // by hidraw sysfs path

    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
};

}  // namespace qmt
