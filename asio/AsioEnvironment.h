#pragma once
// What the driver needs from the world around it, chosen once when the library loads (the
// simulated controllers or the real ones) and handed to every driver object it creates.
// Tests build their own, with clocks they advance and a fake device if they like.

#include <functional>
#include <memory>
#include <string>

#include "common/Clock.h"
#include "common/TimedWaitIf.h"

namespace qmt {

class AsioDeviceRegistry;
class AudioCardServiceIf;
class AudioDeviceIf;
class DeviceEnumeratorIf;
class ProcessLauncherIf;
class RealtimeSchedulerIf;
class RegistryIf;

struct AsioEnvironment {
    RegistryIf* registry = nullptr;
    DeviceEnumeratorIf* devices = nullptr;
    AudioCardServiceIf* cards = nullptr;
    ProcessLauncherIf* launcher = nullptr;
    RealtimeSchedulerIf* realtime = nullptr;
    // The streaming thread's millisecond timer, its timed waits (timer mode) and the
    // counter behind the buffer switches' time stamps.
    TickClockIf* tickClock = nullptr;
    TimedWaitIf* streamWait = nullptr;
    PerformanceCounterIf* performanceCounter = nullptr;
    // The registry's polling clock and wait; null for real time.
    TickClockIf* registryClock = nullptr;
    TimedWaitIf* registryWait = nullptr;
    // Where the driver says what a user should know (once): real-time scheduling refused.
    std::function<void(const std::string&)> notice;
    // Makes the device of init(): the composite device of the controllers, or a stand-in in
    // tests. Null (or a null device) makes init fail.
    std::function<std::unique_ptr<AudioDeviceIf>(AsioDeviceRegistry&)> createDevice;

    // The library's environment for the driver objects it creates: made by the provider
    // that the library's start-up installs, at the first call (a host that only lists its
    // drivers loads the library without ever needing one). Null without a provider.
    using Provider = AsioEnvironment* (*)();
    static AsioEnvironment* process();
    static void setProvider(Provider provider);
};

}  // namespace qmt
