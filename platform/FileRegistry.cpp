#include "platform/FileRegistry.h"

#include <cstdlib>

#include "platform/RegistryFile.h"
#include "platform/RegistryHive.h"
#include "platform/XdgFolders.h"

namespace qmt {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

FileRegistry::FileRegistry(const std::string& userFile, const std::string& machineFile)
    : user_(std::make_unique<RegistryFile>(userFile, "HKEY_CURRENT_USER")),
      machine_(std::make_unique<RegistryFile>(machineFile, "HKEY_LOCAL_MACHINE")) {}

FileRegistry::~FileRegistry() = default;

bool FileRegistry::pathsFromEnvironment(std::string& userFile, std::string& machineFile) {
    const std::string folder = environment("QMT_REGISTRY_DIR");
    if (!folder.empty()) {
        userFile = folder + "/user.reg";
        machineFile = folder + "/machine.reg";
        return true;
    }
    machineFile = "/etc/qmt/machine.reg";
    const std::string config = XdgConfigHome();
    if (config.empty()) return false;
    userFile = config + "/qmt/user.reg";
    return true;
}

std::unique_ptr<FileRegistry> FileRegistry::fromEnvironment() {
    std::string userFile, machineFile;
    if (!pathsFromEnvironment(userFile, machineFile)) return nullptr;
    return std::make_unique<FileRegistry>(userFile, machineFile);
}

RegistryFile& FileRegistry::file(Hive hive) {
    return hive == Hive::CurrentUser ? *user_ : *machine_;
}

void FileRegistry::read(Hive hive, RegistryHive& contents) {
    file(hive).load(contents);
}

bool FileRegistry::keyExists(Hive hive, const std::string& key) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    std::lock_guard lock(mutex_);
    RegistryHive contents;
    read(hive, contents);
    return contents.exists(path);
}

bool FileRegistry::createKey(Hive hive, const std::string& key) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    std::lock_guard lock(mutex_);
    RegistryHive current;
    read(hive, current);
    if (current.exists(path)) return true;
    return file(hive).modify([&](RegistryHive& contents) {
        contents.create(path);
        return true;
    });
}

bool FileRegistry::deleteKey(Hive hive, const std::string& key) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    std::lock_guard lock(mutex_);
    return file(hive).modify([&](RegistryHive& contents) { return contents.remove(path); });
}

bool FileRegistry::enumSubkeys(Hive hive, const std::string& key, std::vector<std::string>& names) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    std::lock_guard lock(mutex_);
    RegistryHive contents;
    read(hive, contents);
    if (!contents.exists(path)) return false;
    names = contents.subkeys(path);
    return true;
}

bool FileRegistry::findValue(Hive hive, const std::string& key, const std::string& name,
                             bool wantDword, std::string& text, uint32_t& dword) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    std::lock_guard lock(mutex_);
    RegistryHive contents;
    read(hive, contents);
    RegistryKey* found = contents.find(path);
    RegistryValue* value = found != nullptr ? found->findValue(name) : nullptr;
    if (value == nullptr) return false;
    if ((value->type == RegistryValueType::Dword) != wantDword) return false;
    text = value->text;
    dword = value->dword;
    return true;
}

bool FileRegistry::queryString(Hive hive, const std::string& key, const std::string& name,
                               std::string& value) {
    uint32_t unused = 0;
    return findValue(hive, key, name, false, value, unused);
}

bool FileRegistry::queryDword(Hive hive, const std::string& key, const std::string& name,
                              uint32_t& value) {
    std::string unused;
    return findValue(hive, key, name, true, unused, value);
}

bool FileRegistry::setValue(Hive hive, const std::string& key, const std::string& name,
                            bool isDword, const std::string& text, uint32_t dword) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    RegistryValue value;
    value.name = name;
    value.type = isDword ? RegistryValueType::Dword : RegistryValueType::String;
    value.text = text;
    value.dword = dword;
    std::lock_guard lock(mutex_);
    return file(hive).modify([&](RegistryHive& contents) {
        contents.create(path).setValue(value);
        return true;
    });
}

bool FileRegistry::setString(Hive hive, const std::string& key, const std::string& name,
                             const std::string& value) {
    return setValue(hive, key, name, false, value, 0);
}

bool FileRegistry::setDword(Hive hive, const std::string& key, const std::string& name,
                            uint32_t value) {
    return setValue(hive, key, name, true, "", value);
}

bool FileRegistry::deleteValue(Hive hive, const std::string& key, const std::string& name) {
    std::string path;
    if (!RegistryHive::normalizePath(key, path)) return false;
    std::lock_guard lock(mutex_);
    return file(hive).modify([&](RegistryHive& contents) {
        RegistryKey* found = contents.find(path);
        return found != nullptr && found->deleteValue(name);
    });
}

}  // namespace qmt
