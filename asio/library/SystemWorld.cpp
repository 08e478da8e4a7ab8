// The controllers of this system: found through sysfs and udev, their sound cards opened
// through ALSA, the streaming thread real-time where the system grants it (SCHED_FIFO, else
// rtkit).

#include <memory>

#include "asio/AsioBrandIf.h"
#include "asio/CompositeKsAudioDevice.h"
#include "asio/library/LibraryWorld.h"
#include "common/Clock.h"
#include "common/TimedWaitIf.h"
#include "platform/FileRegistry.h"
#include "platform/ProcessLauncher.h"
#include "platform/linux/AlsaAudioCards.h"
#include "platform/linux/LinuxDeviceEnumerator.h"
#include "platform/linux/LinuxRealtimeScheduler.h"

namespace qmt {

namespace {

class SystemWorld final : public LibraryWorldIf {
  public:
    SystemWorld(const AsioBrandIf& brand, std::unique_ptr<FileRegistry> registry)
        : brand_(brand), registry_(std::move(registry)) {
        environment_.registry = registry_.get();
        environment_.devices = &devices_;
        environment_.cards = &cards_;
        environment_.launcher = &launcher_;
        environment_.realtime = &realtime_;
        environment_.tickClock = &tick_;
        environment_.streamWait = &wait_;
        environment_.performanceCounter = &counter_;
        environment_.notice = [this](const std::string& text) { sayToUser(brand_, text); };
        environment_.createDevice = [this](AsioDeviceRegistry& devices) {
            return std::unique_ptr<AudioDeviceIf>(
                CompositeKsAudioDevice::create(devices, environment_).release());
        };
    }

    AsioEnvironment& environment() override { return environment_; }

  private:
    const AsioBrandIf& brand_;
    std::unique_ptr<FileRegistry> registry_;
    LinuxDeviceEnumerator devices_;
    AlsaAudioCards cards_;
    DetachedProcessLauncher launcher_;
    LinuxRealtimeScheduler realtime_;
    SteadyTickClock tick_;
    SteadyTimedWait wait_;
    SteadyPerformanceCounter counter_;
    AsioEnvironment environment_;
};

}  // namespace

std::unique_ptr<LibraryWorldIf> makeSystemWorld(const AsioBrandIf& brand, std::string& error) {
    std::unique_ptr<FileRegistry> registry = FileRegistry::fromEnvironment();
    if (!registry) {
        error = "no folder for the settings (set HOME or QMT_REGISTRY_DIR)";
        return nullptr;
    }
    return std::make_unique<SystemWorld>(brand, std::move(registry));
}

}  // namespace qmt
