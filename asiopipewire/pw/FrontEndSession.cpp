#include "asiopipewire/pw/FrontEndSession.h"

#include <csignal>
#include <ctime>

namespace qmt {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
// How often the control thread looks at reset requests, PipeWire's health and the clock.
constexpr long kPollNs = 100'000'000;
constexpr double kReportSeconds = 1.0;

}  // namespace

FrontEndSession::FrontEndSession(const FrontEndOptions& options, asiohost::AsioDriverLoader& loader,
                                 const Guid& classId, std::FILE* out, std::FILE* err)
    : options_(options),
      loader_(loader),
      classId_(classId),
      out_(out),
      err_(err),
      bridge_(nodes_, clock_),
      host_([this](std::string& error) { return makeDriver(error); }, bridge_, *this) {}

IASIO* FrontEndSession::makeDriver(std::string& error) {
    if (!loader_.createDriver(classId_, error)) return nullptr;
    // The host owns the driver from here; the loader lets go of its reference.
    IASIO* driver = loader_.driver();
    driver->AddRef();
    loader_.releaseDriver();
    return driver;
}

void FrontEndSession::resetRequested() {
    resetRequested_ = true;
}

int FrontEndSession::run() {
    if (!start()) return kExitFailure;
    double elapsed = 0;
    double nextReport = kReportSeconds;
    int status = kExitOk;
    while (waitForWork(elapsed)) {
        if (nodes_.failed()) {
            std::fprintf(err_, "qmtasio-pipewire: %s\n", nodes_.failure().c_str());
            status = kExitFailure;
            break;
        }
        if (resetRequested_.exchange(false) && !carryOutReset()) {
            status = kExitFailure;
            break;
        }
        if (options_.verbose && elapsed >= nextReport) {
            report(elapsed);
            nextReport += kReportSeconds;
        }
    }
    bridge_.setGraphRunning(false);
    host_.close();
    nodes_.close();
    if (options_.verbose) report(elapsed);
    return status;
}

bool FrontEndSession::start() {
    std::string error;
    if (!host_.open(options_.rate, error)) {
        std::fprintf(err_, "qmtasio-pipewire: %s\n", withHint(error).c_str());
        return false;
    }
    const DriverDescription& driver = host_.description();
    PwNodeSettings settings;
    settings.description = driver.name;
    settings.rate = static_cast<uint32_t>(driver.rate);
    settings.frames = driver.bufferFrames;
    for (const DriverChannel& channel : driver.inputs)
        settings.inputNames.push_back(channel.name);
    for (const DriverChannel& channel : driver.outputs)
        settings.outputNames.push_back(channel.name);
    if (!nodes_.open(settings, bridge_, error)) {
        std::fprintf(err_, "qmtasio-pipewire: %s\n", error.c_str());
        host_.close();
        return false;
    }
    bridge_.setGraphRunning(true);
    describe();
    return true;
}

bool FrontEndSession::waitForWork(double& elapsed) {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    const timespec poll{0, kPollNs};
    if (sigtimedwait(&stops, nullptr, &poll) > 0) return false;
    elapsed += static_cast<double>(kPollNs) / 1e9;
    return options_.seconds <= 0 || elapsed < options_.seconds;
}

bool FrontEndSession::carryOutReset() {
    const uint32_t before = host_.description().bufferFrames;
    std::string error;
    if (!host_.restart(error)) {
        std::fprintf(err_, "qmtasio-pipewire: the driver could not be reset: %s\n",
                     withHint(error).c_str());
        return false;
    }
    const uint32_t after = host_.description().bufferFrames;
    if (after != before) nodes_.setQuantum(after);
    std::fprintf(out_, "qmtasio-pipewire: the driver was reset; buffer size %u frames\n", after);
    if (options_.verbose) describe();
    std::fflush(out_);
    return true;
}

void FrontEndSession::describe() const {
    const DriverDescription& driver = host_.description();
    std::fprintf(out_, "qmtasio-pipewire: \"%s\" on PipeWire, %u Hz, quantum %u frames (%.2f ms)\n",
                 driver.name.c_str(), static_cast<unsigned>(driver.rate), driver.bufferFrames,
                 driver.bufferFrames * 1000.0 / driver.rate);
    if (!options_.verbose) {
        std::fflush(out_);
        return;
    }
    // An active channel is one a controller's card serves now.
    const auto list = [this](const char* side, const std::vector<DriverChannel>& channels) {
        for (size_t i = 0; i < channels.size(); ++i) {
            const DriverChannel& channel = channels[i];
            std::fprintf(out_, "  %s %2zu  %-24s %s\n", side, i + 1, channel.name.c_str(),
                         channel.active ? "card" : "silent (no controller)");
        }
    };
    list("in ", driver.inputs);
    list("out", driver.outputs);
    std::fflush(out_);
}

void FrontEndSession::report(double elapsed) {
    const BridgeStatistics now = bridge_.statistics();
    const PwNodeStatistics graph = nodes_.statistics();
    std::fprintf(out_,
                 "%7.1f s  quantum %u  rate %u  switches %llu  cycles %llu  xruns %llu "
                 "(+%llu)  late switches %llu  undriven %llu  turnaround %.0f/%.0f us  "
                 "source %s  sink %s\n",
                 elapsed, bridge_.frames(), static_cast<unsigned>(host_.description().rate),
                 static_cast<unsigned long long>(now.switches),
                 static_cast<unsigned long long>(now.cycles),
                 static_cast<unsigned long long>(now.xruns),
                 static_cast<unsigned long long>(now.xruns - reported_.xruns),
                 static_cast<unsigned long long>(now.lateSwitches),
                 static_cast<unsigned long long>(now.undriven),
                 now.cycles > 0 ? now.turnaroundTotalNs / 1e3 / now.cycles : 0.0,
                 now.turnaroundMaxNs / 1e3, graph.sourceState.c_str(), graph.sinkState.c_str());
    std::fflush(out_);
    reported_ = now;
}

std::string FrontEndSession::withHint(const std::string& error) const {
    // A card that PipeWire (or PulseAudio) keeps open for the desktop cannot be opened twice.
    if (error.find("in use") == std::string::npos && error.find("busy") == std::string::npos)
        return error;
    return error +
           "\nThe desktop's sound server holds a controller's card. Free it by switching the "
           "card's profile off (pavucontrol, Configuration tab, Profile \"Off\"; or "
           "`pactl set-card-profile <card> off`, cards from `pactl list cards short`), then "
           "start qmtasio-pipewire again.";
}

}  // namespace qmt
