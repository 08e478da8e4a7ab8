#pragma once
// Cables pulled and plugged back on a schedule, for demos and tests that run the simulated
// desktop in real time (the driver library's simulation reads QMT_SIM_HOTPLUG):
//   "KRT4-A:unplug@2,plug@4.5;KV5-A:unplug@3"
// names a controller by its serial number, then its steps with the seconds after the
// simulation started.
//
// Threads: the player runs the steps on a thread of its own and calls `apply` there; its
// destructor stops it, waiting for a step in progress.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qmt {

struct SimHotplugStep {
    std::string serial;
    bool plug = false;
    double seconds = 0;
};

// The steps in time order; false with the reason for a malformed schedule.
bool ParseSimHotplugSchedule(const std::string& text, std::vector<SimHotplugStep>& steps,
                             std::string& error);

class SimHotplugPlayer {
  public:
    using Apply = std::function<void(const std::string& serial, bool plug)>;
    SimHotplugPlayer(std::vector<SimHotplugStep> steps, Apply apply);
    ~SimHotplugPlayer();
    SimHotplugPlayer(const SimHotplugPlayer&) = delete;
    SimHotplugPlayer& operator=(const SimHotplugPlayer&) = delete;

  private:
    void run();

    std::vector<SimHotplugStep> steps_;
    Apply apply_;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace qmt
