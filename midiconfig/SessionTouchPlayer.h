#pragma once
// Plays a session file in the `qmtmidi --simulate` format on the configuration program's
// simulated desktop, so a recorded or hand-written sequence of reports can be watched in the
// editor: "plug" connects a virtual controller (it appears in the device tree and on the HID
// bus under the same interface path, as a real one does), "unplug" takes it away, "use"
// chooses which controller the "report" lines come from, and each report is delivered at its
// time. The lines that concern only the driver (idle, write, midi, resend, reload) just wait
// for their time.
//
// Its own thread plays the lines once; the tree and the bus must outlive it.

#include <cstdint>
#include <istream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "common/ThreadAbs.h"
#include "common/TimedWaitIf.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimHidBus.h"
#include "script/ScriptGrammar.h"

namespace qmt {

class SessionTouchPlayer final : public ThreadAbs {
  public:
    // Parses a session; false with `error` ("line N: ...") on a bad line or model name.
    static bool Parse(std::istream& in, std::vector<ScriptLine>& lines, std::string& error);

    // `clock` and `wait` default to real time.
    SessionTouchPlayer(SimDeviceTree& tree, SimHidBus& bus, std::vector<ScriptLine> lines,
                       TickClockIf* clock = nullptr, TimedWaitIf* wait = nullptr);
    ~SessionTouchPlayer() override;

    // Lines played so far (tests look; the thread changes it).
    size_t played() const { return played_.load(); }

  private:
    struct Plugged {
        int handle;
        std::string path;
    };

    void run() override;
    // Waits until `timeMs` after the start; false when told to stop meanwhile.
    bool waitUntil(uint32_t startMs, int64_t timeMs);
    void act(const ScriptLine& line);

    SimDeviceTree& tree_;
    SimHidBus& bus_;
    const std::vector<ScriptLine> lines_;
    SteadyTickClock steadyClock_;
    SteadyTimedWait steadyWait_;
    TickClockIf& clock_;
    TimedWaitIf& wait_;
    std::map<std::string, Plugged> plugged_;  // by serial
    std::string current_;                     // serial of the controller that reports
    int nextPort_ = 1;
    std::atomic<size_t> played_{0};
};

}  // namespace qmt
