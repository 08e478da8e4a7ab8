#include <cstdio>

#include "asio/AsioBrandIf.h"
#include "asio/CompositeKsAudioDevice.h"
#include "asio/library/LibraryWorld.h"

namespace qmt {

LibraryWorldAbs::LibraryWorldAbs(const AsioBrandIf& brand, std::unique_ptr<FileRegistry> registry)
    : brand_(brand), registry_(std::move(registry)) {
    environment_.registry = registry_.get();
    environment_.launcher = &launcher_;
    environment_.tickClock = &tick_;
    environment_.streamWait = &wait_;
    environment_.performanceCounter = &counter_;
    environment_.notice = [this](const std::string& text) { sayToUser(brand_, text); };
    environment_.createDevice = [this](AsioDeviceRegistry& devices) {
        return std::unique_ptr<AudioDeviceIf>(
            CompositeKsAudioDevice::create(devices, environment_).release());
    };
}

void LibraryWorldAbs::attach(DeviceEnumeratorIf& devices, AudioCardServiceIf& cards,
                             RealtimeSchedulerIf& realtime) {
    environment_.devices = &devices;
    environment_.cards = &cards;
    environment_.realtime = &realtime;
}

std::unique_ptr<FileRegistry> libraryRegistry(std::string& error) {
    std::unique_ptr<FileRegistry> registry = FileRegistry::fromEnvironment();
    if (!registry) error = "no folder for the settings (set HOME or QMT_REGISTRY_DIR)";
    return registry;
}

void sayToUser(const AsioBrandIf& brand, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", brand.getLongDriverName(), text.c_str());
}

}  // namespace qmt
