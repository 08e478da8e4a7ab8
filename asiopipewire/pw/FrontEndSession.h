#pragma once
// One run of the front end: the driver hosted, its device offered on PipeWire, until a stop
// signal, the end of --seconds, or PipeWire going away. Carries out the driver's reset
// requests (new buffer size, controllers changed) by making the driver and its buffers again;
// the nodes stay, so programs connected to them keep their links.
//
// Threads: run() on the main thread, which is the control thread; SIGINT and SIGTERM must be
// blocked in every thread before the session starts (run() waits for them).

#include <atomic>
#include <cstdio>
#include <string>

#include "asiohost/AsioDriverChoice.h"
#include "asiohost/AsioDriverLoader.h"
#include "asiopipewire/DriverHost.h"
#include "asiopipewire/FrontEndOptions.h"
#include "asiopipewire/GraphCycleBridge.h"
#include "asiopipewire/pw/PwDeviceNodes.h"
#include "common/Clock.h"

namespace qmt {

class FrontEndSession final : public DriverHostListenerIf {
  public:
    FrontEndSession(const FrontEndOptions& options, asiohost::AsioDriverLoader& loader,
                    const Guid& classId, std::FILE* out, std::FILE* err);

    // The process's exit status.
    int run();

    void resetRequested() override;

  private:
    IASIO* makeDriver(std::string& error);
    bool start();
    bool waitForWork(double& elapsed);
    bool carryOutReset();
    void describe() const;
    void report(double elapsed);
    std::string withHint(const std::string& error) const;

    const FrontEndOptions& options_;
    asiohost::AsioDriverLoader& loader_;
    Guid classId_;
    std::FILE* out_;
    std::FILE* err_;
    SteadyPerformanceCounter clock_;
    PwDeviceNodes nodes_;
    GraphCycleBridge bridge_;
    DriverHost host_;
    std::atomic<bool> resetRequested_{false};
    BridgeStatistics reported_{};
};

}  // namespace qmt
