#pragma once
// One control panel at a time. The first panel creates the named auto-reset event
// "<product>ConfigurationPanelOpen" (QMTASIOConfigurationPanelOpen) and keeps it; a later
// start finds the event held, sets it and leaves, and the first panel's worker thread, which
// waits on the event, brings that panel's window to the front.
//
// Threads: claim() and listen() from the program's main thread; the raise function runs on
// the worker. The destructor stops the worker before the event goes away.

#include <functional>
#include <string>

#include "asio/AsioBrandIf.h"
#include "common/WorkerThread.h"
#include "platform/NamedEventRelay.h"

namespace qmt {

class PanelInstance {
  public:
    enum class Claim : uint8_t { First, OtherPanelRaised, Failed };

    explicit PanelInstance(const AsioBrandIf& brand);
    ~PanelInstance();
    PanelInstance(const PanelInstance&) = delete;
    PanelInstance& operator=(const PanelInstance&) = delete;

    static std::string EventName(const AsioBrandIf& brand);

    // Failed (with `error`) when the event cannot be created.
    Claim claim(std::string& error);
    // First panel only: runs `raise` on the worker thread for every later start.
    bool listen(std::function<void()> raise);
    // Stops the worker: after this `raise` no longer runs (call it before what it uses goes).
    void stopListening();

  private:
    void raise();

    const std::string name_;
    NamedEvent held_;        // the claim
    NamedEventRelay event_;  // what the worker waits on
    std::function<void()> raise_;
    WorkerThread worker_;
    bool listening_ = false;
};

}  // namespace qmt
