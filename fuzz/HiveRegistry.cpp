#include "fuzz/HiveRegistry.h"

namespace qmt::fuzz {

bool HiveRegistry::keyExists(Hive hive, const std::string& key) {
    std::string path;
    return RegistryHive::normalizePath(key, path) && of(hive).exists(path);
}

bool HiveRegistry::createKey(Hive hive, const std::string& key) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    of(hive).create(path);
    return true;
}

bool HiveRegistry::deleteKey(Hive hive, const std::string& key) {
    std::string path;
    return RegistryHive::normalizePath(key, path) && of(hive).remove(path);
}

bool HiveRegistry::enumSubkeys(Hive hive, const std::string& key, std::vector<std::string>& names) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path) || !of(hive).exists(path)) return false;
    names = of(hive).subkeys(path);
    return true;
}

RegistryValue* HiveRegistry::find(Hive hive, const std::string& key, const std::string& name,
                                  RegistryValueType type) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return nullptr;
    RegistryKey* found = of(hive).find(path);
    RegistryValue* value = found != nullptr ? found->findValue(name) : nullptr;
    return value != nullptr && value->type == type ? value : nullptr;
}

bool HiveRegistry::queryString(Hive hive, const std::string& key, const std::string& name,
                               std::string& value) {
    const RegistryValue* found = find(hive, key, name, RegistryValueType::String);
    if (found != nullptr) value = found->text;
    return found != nullptr;
}

bool HiveRegistry::queryDword(Hive hive, const std::string& key, const std::string& name,
                              uint32_t& value) {
    const RegistryValue* found = find(hive, key, name, RegistryValueType::Dword);
    if (found != nullptr) value = found->dword;
    return found != nullptr;
}

bool HiveRegistry::set(Hive hive, const std::string& key, const RegistryValue& value) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    of(hive).create(path).setValue(value);
    return true;
}

bool HiveRegistry::setString(Hive hive, const std::string& key, const std::string& name,
                             const std::string& value) {
    return set(hive, key, {name, RegistryValueType::String, value, 0});
}

bool HiveRegistry::setDword(Hive hive, const std::string& key, const std::string& name,
                            uint32_t value) {
    return set(hive, key, {name, RegistryValueType::Dword, "", value});
}

bool HiveRegistry::deleteValue(Hive hive, const std::string& key, const std::string& name) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    RegistryKey* found = of(hive).find(path);
    return found != nullptr && found->deleteValue(name);
}

}  // namespace qmt::fuzz
