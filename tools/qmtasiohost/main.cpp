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

#include "asio/AsioDriverRegistration.h"
#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "common/AsciiCase.h"
#include "platform/FileRegistry.h"
#include "tools/qmtasiohost/AsioDriverLoader.h"
#include "tools/qmtasiohost/HostOptions.h"
#include "tools/qmtasiohost/HostSession.h"

namespace qmt::asiohost {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct ChosenDriver {
    std::string library;
    Guid classId{};
    bool classKnown = false;
};

std::vector<AsioDriverEntry> registeredDrivers() {
    std::unique_ptr<FileRegistry> registry = FileRegistry::fromEnvironment();
    return registry ? listAsioDrivers(*registry) : std::vector<AsioDriverEntry>{};
}

int listDrivers() {
    const std::vector<AsioDriverEntry> drivers = registeredDrivers();
    if (drivers.empty()) {
        std::printf(
            "no ASIO driver is registered in the machine hive (install the driver, or "
            "give --library PATH)\n");
        return kExitOk;
    }
    for (const AsioDriverEntry& driver : drivers) {
        std::printf("%s\n  description %s\n  class %s\n  library %s\n", driver.name.c_str(),
                    driver.description.c_str(), driver.classIdText.c_str(),
                    driver.library.empty() ? "(class not registered)" : driver.library.c_str());
    }
    return kExitOk;
}

bool fromEntry(const AsioDriverEntry& entry, ChosenDriver& chosen, std::string& error) {
    if (entry.library.empty()) {
        error = "the driver \"" + entry.name + "\" is listed but its class " + entry.classIdText +
                " names no library";
        return false;
    }
    chosen = {entry.library, entry.classId, true};
    return true;
}

bool chooseDriver(const HostOptions& options, ChosenDriver& chosen, std::string& error) {
    const std::vector<AsioDriverEntry> drivers = registeredDrivers();
    if (!options.driverName.empty()) {
        for (const AsioDriverEntry& entry : drivers) {
            if (equalsIgnoreCase(entry.name, options.driverName) ||
                equalsIgnoreCase(entry.description, options.driverName)) {
                return fromEntry(entry, chosen, error);
            }
        }
        error = "no registered ASIO driver is called \"" + options.driverName + "\" (see --list)";
        return false;
    }
    if (!options.libraryPath.empty()) {
        chosen.library = options.libraryPath;
        if (!options.classId.empty()) {
            chosen.classKnown = parseClassId(options.classId, chosen.classId);
            if (!chosen.classKnown) error = "--clsid takes {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
            return chosen.classKnown;
        }
        for (const AsioDriverEntry& entry : drivers) {
            if (entry.library == options.libraryPath) return fromEntry(entry, chosen, error);
        }
        return true;
    }
    if (!drivers.empty()) return fromEntry(drivers.front(), chosen, error);
#ifdef QMT_ASIOHOST_BUILD_LIBRARY
    // In a build tree without an installed driver: the library built next to this program.
    if (std::filesystem::exists(QMT_ASIOHOST_BUILD_LIBRARY)) {
        chosen.library = QMT_ASIOHOST_BUILD_LIBRARY;
        return true;
    }
#endif
    error = "no ASIO driver is registered; give --library PATH";
    return false;
}

// Without a registration naming the class, the classes of this project's brands are tried.
bool findClass(AsioDriverLoader& loader, ChosenDriver& chosen, std::string& error) {
    if (chosen.classKnown) return true;
    for (const Guid& classId : {QmtAsioBrand::kClassId, BrxAsioBrand::kClassId}) {
        if (loader.offersClass(classId)) {
            chosen.classId = classId;
            return true;
        }
    }
    error = chosen.library + " offers none of the known driver classes; give --clsid";
    return false;
}

void onInterrupt(int) {
    HostSession::interrupt();
}

int run(const HostOptions& options) {
    if (options.list) return listDrivers();
    ChosenDriver chosen;
    std::string error;
    if (!chooseDriver(options, chosen, error)) {
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
    if (!loader.load(chosen.library, error) || !findClass(loader, chosen, error)) {
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
