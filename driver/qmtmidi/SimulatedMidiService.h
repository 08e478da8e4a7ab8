#pragma once
// The whole MIDI driver on the simulated platform: virtual controllers on a simulated HID
// bus, the miniport with its device worker, the control socket, and a virtual application
// that opens "QMT MIDI In" and "QMT MIDI Out" and prints everything it receives, as well
// as every output report the controllers get.

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "driver/MidiMiniport.h"
#include "platform/ControlChannel.h"
#include "platform/ThreadPeriodicTimer.h"
#include "platform/sim/SimHidBus.h"
#include "platform/sim/SimMidiPort.h"
#include "script/SessionScript.h"

namespace qmt {

class SimulatedMidiService {
  public:
    SimulatedMidiService(RegistryIf& registry, std::ostream& out);
    ~SimulatedMidiService();

    // Starts the driver, the control socket at `socketPath` and the application.
    bool Start(const std::string& socketPath, std::string& error);
    // Plays the lines in real time; stops early when `quit` is set. False on a line that
    // cannot act (unknown controller); `error` says which.
    bool Play(const std::vector<ScriptLine>& lines, const std::atomic<bool>& quit,
              std::string& error);
    // Streams stop and close, the worker stops, the handlers go: in that order.
    void Stop();

  private:
    bool Act(const ScriptLine& line, std::string& error);
    void Print(const std::string& text);
    double MsSinceStart(int64_t time100ns) const;

    RegistryIf& registry_;
    std::ostream& out_;
    std::mutex outMutex_;
    std::shared_ptr<PortClockIf> clock_;
    int64_t start100ns_ = 0;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    SimHidBus bus_;
    ThreadPeriodicTimer timer_;
    std::unique_ptr<MidiMiniport> miniport_;
    std::unique_ptr<SimMidiPort> port_;
    ControlServer control_;
    int capture_ = 0;
    int render_ = 0;
    std::map<std::string, std::string> paths_;  // serial -> interface path
    std::map<std::string, uint8_t> models_;     // serial -> model type
    std::string current_;
};

}  // namespace qmt
