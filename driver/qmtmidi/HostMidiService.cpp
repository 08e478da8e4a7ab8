#include "driver/qmtmidi/HostMidiService.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "driver/ControlDispatch.h"
#include "driver/MidiMiniport.h"
#include "model/MidiSettings.h"
#include "platform/ControlChannel.h"
#include "platform/FileRegistry.h"
#include "platform/ThreadPeriodicTimer.h"
#include "platform/linux/AlsaSequencerPort.h"
#include "platform/linux/LinuxHidBus.h"
#include "platform/linux/TerminationSignals.h"

namespace qmt {

namespace {

std::mutex consoleMutex;

void Print(const std::string& line) {
    std::lock_guard lock(consoleMutex);
    std::fprintf(stderr, "qmtmidi: %s\n", line.c_str());
}

int Usage() {
    std::fprintf(stderr,
                 "usage: qmtmidi [--verbose]        serve the controllers on the ALSA sequencer\n"
                 "       qmtmidi --simulate [SCRIPT | -]\n");
    return 2;
}

// Without a selected mapping no controller produces anything; say so once, at start.
void CheckSelection(RegistryIf& registry) {
    std::string selected;
    if (QuerySelectedMapping(registry, selected)) return;
    Print("no mapping is selected (\"Selected Mapping\" under HKEY_CURRENT_USER\\" +
          std::string(kQmtMidiKey) +
          "): controllers send nothing until one is selected with qmtmidiconfig or "
          "qmtmidiagent");
}

// Everything the service runs, in the order it is built; torn down in reverse.
class HostMidiService {
  public:
    explicit HostMidiService(bool verbose) : verbose_(verbose) {}
    ~HostMidiService() { Stop(); }

    bool Start(std::string& error);
    void Stop();

  private:
    void Log(const std::string& line) {
        if (verbose_) Print(line);
    }

    bool verbose_;
    std::unique_ptr<FileRegistry> registry_;
    std::shared_ptr<PortClockIf> clock_ = std::make_shared<SteadyPortClock>();
    std::unique_ptr<LinuxHidBus> bus_;
    uint64_t logRegistration_ = 0;
    ThreadPeriodicTimer timer_;
    std::unique_ptr<MidiMiniport> miniport_;
    std::unique_ptr<AlsaSequencerPort> port_;
    ControlServer control_;
};

bool HostMidiService::Start(std::string& error) {
    registry_ = FileRegistry::fromEnvironment();
    if (!registry_) {
        error = "cannot find the settings folder: set HOME or QMT_REGISTRY_DIR";
        return false;
    }
    CheckSelection(*registry_);
    bus_ = std::make_unique<LinuxHidBus>([](const std::string& message) { Print(message); });
    if (verbose_) {
        Log("HID interfaces are announced by " + bus_->eventSource() + " events");
        logRegistration_ = bus_->Register([this](const std::string& path, bool arrived) {
            Log(std::string(arrived ? "arrived: " : "removed: ") + path);
        });
    }
    miniport_ = std::make_unique<MidiMiniport>(
        MiniportServices{registry_.get(), bus_.get(), bus_.get(), &timer_});
    port_ =
        std::make_unique<AlsaSequencerPort>(clock_, [this](const std::string& line) { Log(line); });
    if (!NtSuccess(miniport_->Init(port_.get()))) {
        error = "the MIDI miniport did not start";
        return false;
    }
    if (!port_->Open(miniport_.get(), error)) return false;
    Log("sequencer client " + std::to_string(port_->client()) +
        " \"QMT MIDI\" with ports \"QMT MIDI In\" and \"QMT MIDI Out\"");
    const std::string socket = DefaultControlSocketPath();
    if (socket.empty()) {
        Print(
            "XDG_RUNTIME_DIR is not set: reload requests from qmtmidiconfig and qmtmidiagent "
            "cannot reach this service (new mappings apply when MIDI ports are next opened)");
        return true;
    }
    if (!control_.Start(socket, AnswerControlRequest, error)) {
        port_->Close();
        return false;
    }
    Log("control socket " + socket);
    return true;
}

void HostMidiService::Stop() {
    // Streams end first: that stops the readers and writers and the device worker.
    if (port_) port_->Close();
    control_.Stop();
    miniport_.reset();
    port_.reset();
    if (bus_ && logRegistration_ != 0) bus_->Unregister(logRegistration_);
    logRegistration_ = 0;
    bus_.reset();
}

}  // namespace

int RunHostMidiService(int count, char** arguments) {
    bool verbose = false;
    for (int i = 0; i < count; ++i) {
        const std::string argument = arguments[i];
        if (argument == "--verbose" || argument == "-v") {
            verbose = true;
        } else if (argument == "--help" || argument == "-h") {
            Usage();
            return 0;
        } else {
            std::fprintf(stderr, "qmtmidi: unknown argument '%s'\n", argument.c_str());
            return Usage();
        }
    }
    TerminationSignals signals;  // before any thread starts
    HostMidiService service(verbose);
    std::string error;
    if (!service.Start(error)) {
        Print(error);
        return 1;
    }
    const int signal = signals.Wait();
    if (verbose) Print("stopping on signal " + std::to_string(signal));
    service.Stop();
    return 0;
}

}  // namespace qmt
