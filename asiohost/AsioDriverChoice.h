#pragma once
// Which driver a host loads: a registered driver by name, a library file (with or without a
// class), the first registered driver, or, in a build tree without an installed driver, the
// library built beside the host. Every host of the system chooses the same way.

#include <cstdio>
#include <string>
#include <vector>

#include "asio/AsioDriverRegistration.h"
#include "asiohost/AsioDriverLoader.h"
#include "common/Guid.h"

namespace qmt::asiohost {

struct DriverRequest {
    std::string driverName;   // a registered driver by name or description
    std::string libraryPath;  // a library file instead
    std::string classId;      // the class to create from libraryPath, as {XXXXXXXX-...}
};

struct ChosenDriver {
    std::string library;
    Guid classId{};
    bool classKnown = false;
};

// The machine hive's registered drivers (none when the hive cannot be read).
std::vector<AsioDriverEntry> registeredDrivers();
// Prints the registered drivers, or how to get one.
void listDrivers(std::FILE* out);

bool chooseDriver(const DriverRequest& request, ChosenDriver& chosen, std::string& error);
// Without a registration naming the class, the classes of this project's brands are tried.
bool findDriverClass(AsioDriverLoader& loader, ChosenDriver& chosen, std::string& error);

}  // namespace qmt::asiohost
