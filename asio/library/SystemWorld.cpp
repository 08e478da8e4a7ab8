// The controllers of this system: found through sysfs and udev, their sound cards opened
// through ALSA, the streaming thread real-time where the system grants it (SCHED_FIFO, else
// rtkit). QMT_SYSFS_ROOT names another folder to read the device tree from: the guest tests
// describe controllers there whose cards are the kernel's loopback cards, so a host streams
// through real ALSA devices with the library exactly as installed.

#include <cstdlib>

#include "asio/library/LibraryWorld.h"
#include "platform/linux/AlsaAudioCards.h"
#include "platform/linux/LinuxDeviceEnumerator.h"
#include "platform/linux/LinuxRealtimeScheduler.h"

namespace qmt {

namespace {

class SystemWorld final : public LibraryWorldAbs {
  public:
    SystemWorld(const AsioBrandIf& brand, std::unique_ptr<FileRegistry> registry,
                const std::string& sysRoot)
        : LibraryWorldAbs(brand, std::move(registry)),
          devices_(sysRoot),
          cards_(SysfsAlsaCardLookup(sysRoot)) {
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
    const char* sysRoot = std::getenv("QMT_SYSFS_ROOT");
    return std::make_unique<SystemWorld>(
        brand, std::move(registry),
        sysRoot != nullptr && *sysRoot != '\0' ? std::string(sysRoot) : std::string("/sys"));
}

}  // namespace qmt
