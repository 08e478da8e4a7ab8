#include "platform/XdgFolders.h"

#include <cstdlib>

namespace qmt {

namespace {

std::string absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return {};
    return value;
}

std::string folderOrBelowHome(const char* name, const char* belowHome) {
    std::string folder = absoluteVariable(name);
    if (!folder.empty()) return folder;
    const std::string home = absoluteVariable("HOME");
    return home.empty() ? std::string() : home + belowHome;
}

}  // namespace

std::string XdgConfigHome() {
    return folderOrBelowHome("XDG_CONFIG_HOME", "/.config");
}

std::string XdgDataHome() {
    return folderOrBelowHome("XDG_DATA_HOME", "/.local/share");
}

std::string XdgRuntimeDir() {
    return absoluteVariable("XDG_RUNTIME_DIR");
}

}  // namespace qmt
