#pragma once
// The simulated HID interface class: virtual controllers are plugged and unplugged by
// tests and the demo; arrivals and removals are announced to the registered callbacks on
// the calling thread, one notification at a time, as the plug-and-play manager does.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/HidDevices.h"
#include "platform/sim/SimController.h"

namespace qmt {

class SimHidBus final : public HidNotifierIf, public HidFileSystemIf {
  public:
    // Interface path of a controller with a product id ("0300") and a serial string.
    static std::string PathFor(const std::string& productId, const std::string& serial);

    // Plugs a device with this interface path; returns null when the path is taken.
    std::shared_ptr<SimController> Plug(const std::string& path, const std::string& serial);
    // Plugs one of the maker's controllers by product id.
    std::shared_ptr<SimController> PlugProduct(const std::string& productId,
                                               const std::string& serial);
    // Reads fail from now on; the removal is announced. False for an unknown path.
    bool Unplug(const std::string& path);
    std::shared_ptr<SimController> Find(const std::string& path);
    // Given to every controller plugged from now on, before its arrival is announced.
    void SetWriteListener(SimController::WriteListener listener);
    // Makes the probe of `path` report another class GUID (or device type).
    void SetProbeAnswer(const std::string& path, HidProbe probe);

    uint64_t Register(Callback callback) override;
    void Unregister(uint64_t registration) override;
    std::unique_ptr<HidFileIf> Open(const std::string& path, bool forWriting) override;
    bool Probe(const std::string& path, HidProbe& probe) override;

  private:
    void Announce(const std::string& path, bool arrived);

    std::mutex mutex_;  // the device list
    std::map<std::string, std::shared_ptr<SimController>> devices_;
    std::map<std::string, HidProbe> probes_;
    SimController::WriteListener writeListener_;
    // Held while callbacks run: notifications go one at a time and Unregister waits for
    // a running callback.
    std::recursive_mutex notifyMutex_;
    std::map<uint64_t, Callback> callbacks_;
    uint64_t nextRegistration_ = 1;
};

}  // namespace qmt
