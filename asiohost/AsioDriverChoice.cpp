#include "asiohost/AsioDriverChoice.h"

#include <filesystem>
#include <memory>

#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "common/AsciiCase.h"
#include "platform/FileRegistry.h"

namespace qmt::asiohost {

namespace {

bool fromEntry(const AsioDriverEntry& entry, ChosenDriver& chosen, std::string& error) {
    if (entry.library.empty()) {
        error = "the driver \"" + entry.name + "\" is listed but its class " + entry.classIdText +
                " names no library";
        return false;
    }
    chosen = {entry.library, entry.classId, true};
    return true;
}

}  // namespace

std::vector<AsioDriverEntry> registeredDrivers() {
    std::unique_ptr<FileRegistry> registry = FileRegistry::fromEnvironment();
    return registry ? listAsioDrivers(*registry) : std::vector<AsioDriverEntry>{};
}

void listDrivers(std::FILE* out) {
    const std::vector<AsioDriverEntry> drivers = registeredDrivers();
    if (drivers.empty()) {
        std::fprintf(out,
                     "no ASIO driver is registered in the machine hive (install the driver, or "
                     "give --library PATH)\n");
        return;
    }
    for (const AsioDriverEntry& driver : drivers) {
        std::fprintf(out, "%s\n  description %s\n  class %s\n  library %s\n", driver.name.c_str(),
                     driver.description.c_str(), driver.classIdText.c_str(),
                     driver.library.empty() ? "(class not registered)" : driver.library.c_str());
    }
}

bool chooseDriver(const DriverRequest& request, ChosenDriver& chosen, std::string& error) {
    const std::vector<AsioDriverEntry> drivers = registeredDrivers();
    if (!request.driverName.empty()) {
        for (const AsioDriverEntry& entry : drivers) {
            if (equalsIgnoreCase(entry.name, request.driverName) ||
                equalsIgnoreCase(entry.description, request.driverName)) {
                return fromEntry(entry, chosen, error);
            }
        }
        error = "no registered ASIO driver is called \"" + request.driverName + "\" (see --list)";
        return false;
    }
    if (!request.libraryPath.empty()) {
        chosen.library = request.libraryPath;
        if (!request.classId.empty()) {
            chosen.classKnown = parseClassId(request.classId, chosen.classId);
            if (!chosen.classKnown) error = "--clsid takes {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
            return chosen.classKnown;
        }
        for (const AsioDriverEntry& entry : drivers) {
            if (entry.library == request.libraryPath) return fromEntry(entry, chosen, error);
        }
        return true;
    }
    if (!drivers.empty()) return fromEntry(drivers.front(), chosen, error);
#ifdef QMT_ASIOHOST_BUILD_LIBRARY
    // In a build tree without an installed driver: the library built next to the hosts.
    if (std::filesystem::exists(QMT_ASIOHOST_BUILD_LIBRARY)) {
        chosen.library = QMT_ASIOHOST_BUILD_LIBRARY;
        return true;
    }
#endif
    error = "no ASIO driver is registered; give --library PATH";
    return false;
}

bool findDriverClass(AsioDriverLoader& loader, ChosenDriver& chosen, std::string& error) {
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

}  // namespace qmt::asiohost
