#include "platform/sim/SimHidBus.h"

#include <cstdio>
#include <functional>
#include <vector>

namespace qmt {

namespace {

class SimHidFile final : public HidFileIf {
  public:
    explicit SimHidFile(std::shared_ptr<SimController> controller)
        : controller_(std::move(controller)) {}

    bool Read(std::span<uint8_t> report) override { return controller_->Read(report, cancelled_); }
    void CancelRead() override { controller_->Cancel(cancelled_); }
    bool Write(std::span<const uint8_t> report) override { return controller_->Write(report); }
    bool SerialNumber(std::string& serial) override {
        if (!controller_->plugged()) return false;
        serial = controller_->serial();
        return true;
    }

  private:
    std::shared_ptr<SimController> controller_;
    bool cancelled_ = false;  // guarded by the controller's lock
};

}  // namespace

std::string SimHidBus::PathFor(const std::string& productId, const std::string& serial) {
    // The instance part differs per serial so two controllers of one model get two paths.
    size_t hash = std::hash<std::string>{}(serial)&0xFFFFFF;
    char instance[16];
    std::snprintf(instance, sizeof instance, "%06zx", hash);
    return "\\\\?\\HID#VID_F7E1&PID_" + productId + "&MI_02#7&" + instance + "&0&0000#" +
           GuidInBraces(kHidInterfaceGuid);
}

std::shared_ptr<SimController> SimHidBus::Plug(const std::string& path, const std::string& serial) {
    auto controller = std::make_shared<SimController>(path, serial);
    {
        std::lock_guard lock(mutex_);
        if (writeListener_) controller->SetWriteListener(writeListener_);
        if (!devices_.emplace(path, controller).second) return nullptr;
    }
    Announce(path, true);
    return controller;
}

std::shared_ptr<SimController> SimHidBus::PlugProduct(const std::string& productId,
                                                      const std::string& serial) {
    return Plug(PathFor(productId, serial), serial);
}

bool SimHidBus::Unplug(const std::string& path) {
    std::shared_ptr<SimController> controller;
    {
        std::lock_guard lock(mutex_);
        auto it = devices_.find(path);
        if (it == devices_.end()) return false;
        controller = it->second;
        devices_.erase(it);
        probes_.erase(path);
    }
    controller->Unplug();
    Announce(path, false);
    return true;
}

std::shared_ptr<SimController> SimHidBus::Find(const std::string& path) {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(path);
    return it == devices_.end() ? nullptr : it->second;
}

void SimHidBus::SetWriteListener(SimController::WriteListener listener) {
    std::lock_guard lock(mutex_);
    writeListener_ = std::move(listener);
}

void SimHidBus::SetProbeAnswer(const std::string& path, HidProbe probe) {
    std::lock_guard lock(mutex_);
    probes_[path] = std::move(probe);
}

uint64_t SimHidBus::Register(Callback callback) {
    std::lock_guard notifying(notifyMutex_);
    const uint64_t id = nextRegistration_++;
    callbacks_[id] = callback;
    std::vector<std::string> present;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [path, controller] : devices_)
            present.push_back(path);
    }
    for (const std::string& path : present)
        callback(path, true);
    return id;
}

void SimHidBus::Unregister(uint64_t registration) {
    std::lock_guard notifying(notifyMutex_);
    callbacks_.erase(registration);
}

void SimHidBus::Announce(const std::string& path, bool arrived) {
    std::lock_guard notifying(notifyMutex_);
    // A callback may unregister others (never itself); walk a copy.
    const auto callbacks = callbacks_;
    for (const auto& [id, callback] : callbacks)
        callback(path, arrived);
}

std::unique_ptr<HidFileIf> SimHidBus::Open(const std::string& path, bool) {
    std::shared_ptr<SimController> controller = Find(path);
    if (!controller || !controller->plugged()) return nullptr;
    return std::make_unique<SimHidFile>(std::move(controller));
}

bool SimHidBus::Probe(const std::string& path, HidProbe& probe) {
    std::lock_guard lock(mutex_);
    if (devices_.find(path) == devices_.end()) return false;
    auto it = probes_.find(path);
    if (it != probes_.end()) {
        probe = it->second;
        return true;
    }
    // Devices report the class GUID in upper case; the driver compares without case.
    probe = HidProbe{kFileDeviceUnknown, GuidInBraces(kHidSetupClassGuid)};
    return true;
}

}  // namespace qmt
