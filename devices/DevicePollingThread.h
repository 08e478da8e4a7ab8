#pragma once
// The change watcher of the programs other than the agent: enumerates the registry every
// 5000 ms until stopped.

#include "common/ThreadAbs.h"
#include "common/TimedWaitIf.h"

namespace qmt {

class DeviceRegistry;

class DevicePollingThread final : public ThreadAbs {
  public:
    DevicePollingThread(DeviceRegistry& registry, TimedWaitIf& wait, uint32_t intervalMs)
        : registry_(registry), wait_(wait), intervalMs_(intervalMs) {}
    ~DevicePollingThread() override { stop(); }

  protected:
    void run() override;

  private:
    DeviceRegistry& registry_;
    TimedWaitIf& wait_;
    const uint32_t intervalMs_;
};

}  // namespace qmt
