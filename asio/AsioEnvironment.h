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
    // Makes the device of init(); null for the composite device of the controllers.
    std::function<std::unique_ptr<AudioDeviceIf>(AsioDeviceRegistry&)> createDevice;

    // The library's environment, set when it loads; null before.
    static AsioEnvironment* process();
    static void setProcess(AsioEnvironment* environment);
};

}  // namespace qmt
