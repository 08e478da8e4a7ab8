#pragma once
// The built-in script of the configuration program's simulated desktop: it operates the
// controls of the virtual controllers one at a time, so live input can be watched (and
// screenshot) without hardware. Each step takes one controller in turn and its next control:
// the controller at rest, 60 ms later the control pressed or moved, 250 ms later at rest
// again, then a pause; over time every control of every controller has its turn.
//
// It plugs, on the HID bus, the interface of every controller the device tree lists whose
// model has a report layout, so the configuration program opens them as it would real ones.
// Its own thread delivers the reports; the bus and the tree must outlive it.

#include <cstdint>
#include <memory>
#include <vector>

#include "common/ThreadAbs.h"
#include "common/TimedWaitIf.h"
#include "platform/DeviceEnumeratorIf.h"
#include "platform/sim/SimHidBus.h"

namespace qmt {

class SimulatedTouchPlayer final : public ThreadAbs {
  public:
    static constexpr uint32_t kLeadMs = 60;    // at rest, before the touch
    static constexpr uint32_t kHoldMs = 250;   // the control held or moved
    static constexpr uint32_t kPauseMs = 900;  // before the next controller's turn

    // `wait` defaults to real time.
    SimulatedTouchPlayer(DeviceEnumeratorIf& devices, SimHidBus& bus, TimedWaitIf* wait = nullptr);
    ~SimulatedTouchPlayer() override;

    size_t controllerCount() const { return targets_.size(); }

  private:
    struct Target {
        std::shared_ptr<SimController> device;
        uint32_t modelType;
        std::vector<uint8_t> controls;
        size_t next = 0;
    };

    void run() override;
    // Plays one touch on the target; false when told to stop meanwhile.
    bool touch(Target& target);

    SteadyTimedWait steady_;
    TimedWaitIf& wait_;
    std::vector<Target> targets_;
};

}  // namespace qmt
