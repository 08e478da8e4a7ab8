#pragma once
// Records every state change a registry reports, and signals each one.

#include <cstdint>
#include <mutex>
#include <vector>

#include "common/Event.h"
#include "devices/DeviceInfo.h"

namespace qmt {

struct StateCall {
    DeviceInfo* device;
    uint32_t newState;
    uint32_t oldState;
    bool operator==(const StateCall&) const = default;
};

class RecordingHandler : public DeviceInfo::EventHandlerIf {
  public:
    void stateChanged(DeviceInfo* device, uint32_t newState, uint32_t oldState) override {
        {
            std::lock_guard lock(mutex_);
            calls_.push_back({device, newState, oldState});
        }
        called.set();
    }
    std::vector<StateCall> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
        called.reset();
    }

    Event called{false};

  private:
    std::mutex mutex_;
    std::vector<StateCall> calls_;
};

}  // namespace qmt
