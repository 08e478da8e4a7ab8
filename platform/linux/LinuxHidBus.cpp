#include "platform/linux/LinuxHidBus.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/linux/UdevMonitor.h"

namespace qmt {

namespace {
// Without any event source the node list is compared with sysfs this often.
constexpr int kScanPeriodMs = 1000;
}  // namespace

LinuxHidBus::LinuxHidBus(Diagnostics diagnostics, std::string sysRoot, std::string devRoot)
    : files_(std::move(diagnostics), sysRoot, devRoot),
      sysRoot_(std::move(sysRoot)),
      devRoot_(std::move(devRoot)),
      monitor_(std::make_unique<UdevMonitor>("hidraw")) {
    // The monitor listens before the first scan, so nothing plugged in between is missed.
    for (const HidrawDevice& device : ListHidrawDevices(sysRoot_, devRoot_))
        announced_[device.sysfsPath] = device;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    thread_ = std::thread([this] { Watch(); });
}

LinuxHidBus::~LinuxHidBus() {
    if (thread_.joinable()) {
        const char quit = 'q';
        (void)!::write(wakeWrite_, &quit, 1);
        thread_.join();
    }
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

std::string LinuxHidBus::eventSource() {
    return monitor_->source().empty() ? "scan" : monitor_->source();
}

void LinuxHidBus::Watch() {
    for (;;) {
        pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {monitor_->fd(), POLLIN, 0}};
        const nfds_t count = monitor_->fd() >= 0 ? 2 : 1;
        const int ready = ::poll(fds, count, count == 2 ? -1 : kScanPeriodMs);
        if (ready < 0 && errno != EINTR) return;
        if (fds[0].revents != 0) return;
        DeviceEvent event;
        bool changed = count == 1;
        while (monitor_->Receive(event)) {
            // A node removed and made again between two looks is still two events.
            if (event.action == "remove") Forget(event.syspath);
            changed = true;
        }
        if (changed) Rescan();
    }
}

void LinuxHidBus::Forget(const std::string& syspath) {
    std::lock_guard lock(notifyMutex_);
    auto it = announced_.find(syspath);
    if (it == announced_.end()) return;
    const std::string path = it->second.interfacePath;
    announced_.erase(it);
    Announce(path, false);
}

void LinuxHidBus::Rescan() {
    std::lock_guard lock(notifyMutex_);
    std::map<std::string, HidrawDevice> present;
    for (HidrawDevice& device : ListHidrawDevices(sysRoot_, devRoot_))
        present[device.sysfsPath] = std::move(device);
    std::vector<std::string> gone;
    for (const auto& [syspath, device] : announced_) {
        auto it = present.find(syspath);
        if (it == present.end() || it->second.interfacePath != device.interfacePath)
            gone.push_back(syspath);
    }
    for (const std::string& syspath : gone)
        Forget(syspath);
    for (auto& [syspath, device] : present) {
        if (announced_.count(syspath) != 0) continue;
        announced_[syspath] = device;
        Announce(device.interfacePath, true);
    }
}

void LinuxHidBus::Announce(const std::string& path, bool arrived) {
    // A callback may unregister others (never itself); walk a copy.
    const auto callbacks = callbacks_;
    for (const auto& [id, callback] : callbacks)
        callback(path, arrived);
}

uint64_t LinuxHidBus::Register(Callback callback) {
    std::lock_guard lock(notifyMutex_);
    Rescan();  // the others hear of changes first; the newcomer then hears of everything
    const uint64_t id = nextRegistration_++;
    callbacks_[id] = callback;
    std::vector<std::string> present;
    for (const auto& [syspath, device] : announced_)
        present.push_back(device.interfacePath);
    for (const std::string& path : present)
        callback(path, true);
    return id;
}

void LinuxHidBus::Unregister(uint64_t registration) {
    std::lock_guard lock(notifyMutex_);
    callbacks_.erase(registration);
}

bool LinuxHidBus::Find(const std::string& path, HidrawDevice& device) {
    return files_.Find(path, device);
}

std::unique_ptr<HidFileIf> LinuxHidBus::Open(const std::string& path, bool forWriting) {
    return files_.Open(path, forWriting);
}

bool LinuxHidBus::Probe(const std::string& path, HidProbe& probe) {
    return files_.Probe(path, probe);
}

}  // namespace qmt
