#include "asio/AsioDriverRegistration.h"

#include "platform/Registry.h"

namespace qmt {

namespace {

std::string classKey(const std::string& classIdText) {
    return std::string(kComClassesKey) + "\\" + classIdText + "\\InprocServer32";
}

}  // namespace

bool parseClassId(const std::string& text, Guid& guid) {
    std::string body = text;
    if (body.size() >= 2 && body.front() == '{' && body.back() == '}') {
        body = body.substr(1, body.size() - 2);
    }
    // The hex digits and dashes of "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" and nothing else.
    if (body.size() != 36) return false;
    for (size_t i = 0; i < body.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash != (body[i] == '-')) return false;
    }
    guid = ParseGuid(body);
    return !IsNullGuid(guid) || body == "00000000-0000-0000-0000-000000000000";
}

std::vector<AsioDriverEntry> listAsioDrivers(RegistryIf& registry) {
    std::vector<AsioDriverEntry> drivers;
    std::vector<std::string> names;
    if (!registry.enumSubkeys(Hive::LocalMachine, kAsioDriverListKey, names)) return drivers;
    for (const std::string& name : names) {
        AsioDriverEntry entry;
        entry.name = name;
        const std::string key = std::string(kAsioDriverListKey) + "\\" + name;
        if (!registry.queryString(Hive::LocalMachine, key, "CLSID", entry.classIdText) ||
            !parseClassId(entry.classIdText, entry.classId)) {
            continue;
        }
        registry.queryString(Hive::LocalMachine, key, "Description", entry.description);
        registry.queryString(Hive::LocalMachine, classKey(entry.classIdText), "", entry.library);
        drivers.push_back(std::move(entry));
    }
    return drivers;
}

bool registerAsioDriver(RegistryIf& registry, const AsioDriverEntry& entry) {
    const std::string key = std::string(kAsioDriverListKey) + "\\" + entry.name;
    const std::string inproc = classKey(entry.classIdText);
    return registry.setString(Hive::LocalMachine, key, "CLSID", entry.classIdText) &&
           registry.setString(Hive::LocalMachine, key, "Description", entry.description) &&
           registry.setString(Hive::LocalMachine, inproc, "", entry.library) &&
           registry.setString(Hive::LocalMachine, inproc, "ThreadingModel", "Apartment");
}

}  // namespace qmt
