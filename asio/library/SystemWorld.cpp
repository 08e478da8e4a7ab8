// The controllers of this system: found through sysfs and udev, their sound cards opened
// through ALSA, the streaming thread real-time where the system grants it (SCHED_FIFO, else
// rtkit).

#include "asio/library/LibraryWorld.h"
#include "platform/linux/AlsaAudioCards.h"
#include "platform/linux/LinuxDeviceEnumerator.h"
#include "platform/linux/LinuxRealtimeScheduler.h"

namespace qmt {

namespace {

class SystemWorld final : public LibraryWorldAbs {
  public:
    SystemWorld(const AsioBrandIf& brand, std::unique_ptr<FileRegistry> registry)
        : LibraryWorldAbs(brand, std::move(registry)) {
        attach(devices_, cards_, realtime_);
    }

  private:
    LinuxDeviceEnumerator devices_;
    AlsaAudioCards cards_;
    LinuxRealtimeScheduler realtime_;
};

}  // namespace

std::unique_ptr<LibraryWorldIf> makeSystemWorld(const AsioBrandIf& brand, std::string& error) {
    std::unique_ptr<FileRegistry> registry = libraryRegistry(error);
    if (!registry) return nullptr;
    return std::make_unique<SystemWorld>(brand, std::move(registry));
}

}  // namespace qmt
