#pragma once
// The miniport's worker thread: it serialises controller arrivals and removals, the
// state refresh when capture connects, reloads, render drains and the 5 ms idle tick.
// It runs while any stream runs.

#include <array>
#include <thread>

#include "common/Event.h"

namespace qmt {

class MidiMiniport;

class DeviceWorker {
  public:
    // Wait objects in order; the index is what the worker acts on.
    enum Index { kPlugAndPlay = 0, kCaptureConnected, kStop, kReload, kRenderData, kTimer };

    explicit DeviceWorker(MidiMiniport& miniport) : miniport_(miniport) {}
    ~DeviceWorker();

    // Clears the stop and stopped events and starts the thread.
    bool Start();
    // Sets the stop event, waits for the stopped event and joins.
    void Stop();
    bool running() const { return thread_.joinable(); }

    Event pnpRequest{true};
    Event captureConnected{true};
    Event stop{true};
    Event reload{true};
    Event renderData{true};
    Event timer{false};  // a synchronization timer: one waiter takes each expiry
    Event stopped{true};
    Event pnpDone{true};
    Event reloadDone{true};

  private:
    void Loop();

    MidiMiniport& miniport_;
    std::thread thread_;
};

}  // namespace qmt
