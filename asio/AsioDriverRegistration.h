#pragma once
// How hosts find ASIO drivers: the installer writes, in the machine hive, the driver list
// entry and the class registration, laid out as on Windows so that a host's lookup is the
// same there and here:
//
//   [HKEY_LOCAL_MACHINE\Software\ASIO\<driver name>]        one key per driver
//   "CLSID"="{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"         the class identifier
//   "Description"="<product name>"                          e.g. QMTASIO
//
//   [HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{...}\InprocServer32]
//   @="/usr/lib/qmt/libqmtasio.so"                          the library to load
//   "ThreadingModel"="Apartment"
//
// A host lists the drivers, loads the library named for the class identifier, asks its
// DllGetClassObject for that class's factory and creates the driver with the class
// identifier as the interface identifier.

#include <string>
#include <vector>

#include "common/Guid.h"

namespace qmt {

class RegistryIf;

inline constexpr const char* kAsioDriverListKey = "Software\\ASIO";
inline constexpr const char* kComClassesKey = "Software\\Classes\\CLSID";

struct AsioDriverEntry {
    std::string name;         // the key name under Software\ASIO
    std::string classIdText;  // as stored, braces included
    Guid classId{};
    std::string description;
    std::string library;  // empty when the class is not registered
};

// Every listed driver whose class identifier reads as one, in stored order.
std::vector<AsioDriverEntry> listAsioDrivers(RegistryIf& registry);
// Writes both keys; false when the registry refuses a write.
bool registerAsioDriver(RegistryIf& registry, const AsioDriverEntry& entry);
// "{...}" text or bare text; braces optional, case ignored.
bool parseClassId(const std::string& text, Guid& guid);

}  // namespace qmt
