// qmtasiohost: a small ASIO host. It finds a driver as hosts do (the registration entries in
// the machine hive) or takes a library file, creates the driver by its class identifier,
// describes it, and streams a test tone or a WAV file while recording inputs and timing the
// buffer switches.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "asiohost/AsioDriverChoice.h"
#include "asiohost/AsioDriverLoader.h"
#include "asiohost/HostOptions.h"
#include "tools/qmtasiohost/HostSession.h"

namespace qmt::asiohost {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void onInterrupt(int) {
    HostSession::interrupt();
}

int run(const HostOptions& options) {
    if (options.list) {
        listDrivers(stdout);
        return kExitOk;
    }
    ChosenDriver chosen;
    std::string error;
    if (!chooseDriver({options.driverName, options.libraryPath, options.classId}, chosen, error)) {
        std::fprintf(stderr, "qmtasiohost: %s\n", error.c_str());
        return kExitFailure;
    }
    if (options.simulate) {
        // The driver picks its platform when it loads.
        ::setenv("QMT_SIMULATE", "1", 1);
        if (!options.simRenderDir.empty()) {
            std::error_code ignored;
            std::filesystem::create_directories(options.simRenderDir, ignored);
            ::setenv("QMT_SIM_RENDER_DIR", options.simRenderDir.c_str(), 1);
        }
    }
    AsioDriverLoader loader;
    if (!loader.load(chosen.library, error) || !findDriverClass(loader, chosen, error)) {
        std::fprintf(stderr, "qmtasiohost: %s\n", error.c_str());
        return kExitFailure;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    int status = kExitOk;
    {
        HostSession session(options, loader, chosen.classId, stdout, stderr);
        status = session.run();
    }
    if (!loader.unload()) {
        std::fprintf(stderr,
                     "qmtasiohost: the driver library still holds objects and stays "
                     "loaded\n");
    }
    return status;
}

}  // namespace

}  // namespace qmt::asiohost

int main(int argc, char** argv) {
    using namespace qmt::asiohost;
    HostOptions options;
    bool help = false;
    std::string error;
    if (!parseHostOptions(std::vector<std::string>(argv + 1, argv + argc), options, help, error)) {
        std::fprintf(stderr, "qmtasiohost: %s\n%s", error.c_str(), hostUsage());
        return kExitUsage;
    }
    if (help) {
        std::printf("%s", hostUsage());
        return kExitOk;
    }
    return run(options);
}
