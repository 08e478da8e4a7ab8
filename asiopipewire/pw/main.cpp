// qmtasio-pipewire: the driver's 16-in/16-out device for every program of the Linux desktop,
// offered through PipeWire (and so to PulseAudio, ALSA and JACK programs alike).

#include <pipewire/pipewire.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "asiohost/AsioDriverChoice.h"
#include "asiohost/AsioDriverLoader.h"
#include "asiopipewire/FrontEndOptions.h"
#include "asiopipewire/pw/FrontEndSession.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void simulateControllers(const qmt::FrontEndOptions& options) {
    // The driver picks its platform when it loads.
    ::setenv("QMT_SIMULATE", "1", 1);
    if (options.simRenderDir.empty()) return;
    std::error_code ignored;
    std::filesystem::create_directories(options.simRenderDir, ignored);
    ::setenv("QMT_SIM_RENDER_DIR", options.simRenderDir.c_str(), 1);
}

int run(const qmt::FrontEndOptions& options) {
    using namespace qmt::asiohost;
    if (options.list) {
        listDrivers(stdout);
        return kExitOk;
    }
    ChosenDriver chosen;
    std::string error;
    if (!chooseDriver(options.driver, chosen, error)) {
        std::fprintf(stderr, "qmtasio-pipewire: %s\n", error.c_str());
        return kExitFailure;
    }
    if (options.simulate) simulateControllers(options);
    // Stop signals are taken by the session's wait; every thread started from here on
    // inherits the mask.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);

    AsioDriverLoader loader;
    if (!loader.load(chosen.library, error) || !findDriverClass(loader, chosen, error)) {
        std::fprintf(stderr, "qmtasio-pipewire: %s\n", error.c_str());
        return kExitFailure;
    }
    pw_init(nullptr, nullptr);
    int status = kExitOk;
    {
        qmt::FrontEndSession session(options, loader, chosen.classId, stdout, stderr);
        status = session.run();
    }
    if (!loader.unload())
        std::fprintf(stderr, "qmtasio-pipewire: the driver library still holds objects\n");
    pw_deinit();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    qmt::FrontEndOptions options;
    bool help = false;
    std::string error;
    if (!qmt::parseFrontEndOptions(std::vector<std::string>(argv + 1, argv + argc), options, help,
                                   error)) {
        std::fprintf(stderr, "qmtasio-pipewire: %s\n%s", error.c_str(), qmt::frontEndUsage());
        return kExitUsage;
    }
    if (help) {
        std::printf("%s", qmt::frontEndUsage());
        return kExitOk;
    }
    return run(options);
}
