#pragma once
// What the driver objects of one loaded library run on, made once per process at the first
// driver creation: simulated controllers when the host asked for them (QMT_SIMULATE=1), the
// system's controllers otherwise. It owns the platform objects behind the environment.

#include <memory>
#include <string>

#include "asio/AsioEnvironment.h"
#include "common/Clock.h"
#include "common/TimedWaitIf.h"
#include "platform/FileRegistry.h"
#include "platform/ProcessLauncher.h"

namespace qmt {

class AsioBrandIf;
class AudioCardServiceIf;
class DeviceEnumeratorIf;
class RealtimeSchedulerIf;

class LibraryWorldIf {
  public:
    virtual ~LibraryWorldIf() = default;
    virtual AsioEnvironment& environment() = 0;
};

// What both worlds share: the settings, real clocks, the panel's launcher, the composite
// device, and the driver's word to the user on standard error.
class LibraryWorldAbs : public LibraryWorldIf {
  public:
    AsioEnvironment& environment() override { return environment_; }

  protected:
    LibraryWorldAbs(const AsioBrandIf& brand, std::unique_ptr<FileRegistry> registry);
    // The backend's part, once the subclass has made it.
    void attach(DeviceEnumeratorIf& devices, AudioCardServiceIf& cards,
                RealtimeSchedulerIf& realtime);

    const AsioBrandIf& brand_;

  private:
    std::unique_ptr<FileRegistry> registry_;
    DetachedProcessLauncher launcher_;
    SteadyTickClock tick_;
    SteadyTimedWait wait_;
    SteadyPerformanceCounter counter_;
    AsioEnvironment environment_;
};

// The user's settings for either world; null with the reason when there is no folder.
std::unique_ptr<FileRegistry> libraryRegistry(std::string& error);

// Null with the reason in `error` when the world cannot be made.
std::unique_ptr<LibraryWorldIf> makeSimulatedWorld(const AsioBrandIf& brand, std::string& error);
std::unique_ptr<LibraryWorldIf> makeSystemWorld(const AsioBrandIf& brand, std::string& error);

// Where the driver says what a user should know: standard error, named after the driver.
void sayToUser(const AsioBrandIf& brand, const std::string& text);

}  // namespace qmt
