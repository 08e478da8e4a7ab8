#include "presets/FactorySettingsFolder.h"

#include <filesystem>
#include <random>

#include "model/FilePaths.h"
#include "platform/FileRegistry.h"
#include "presets/FactoryPresets.h"

namespace qmt {

namespace fs = std::filesystem;

namespace {

// A new folder only this user may enter; a name someone else holds is tried again.
bool MakePrivateFolder(const std::string& prefix, std::string& folder) {
    std::random_device seed;
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) return false;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path candidate = base / (prefix + "-" + std::to_string(seed()));
        if (!fs::create_directory(candidate, ec)) continue;
        fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
        folder = candidate.string();
        return true;
    }
    return false;
}

}  // namespace

FactorySettingsFolder::~FactorySettingsFolder() {
    registry_.reset();
    if (folder_.empty()) return;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

bool FactorySettingsFolder::create(const std::string& prefix, std::string& error) {
    if (!MakePrivateFolder(prefix, folder_)) {
        error = "cannot create a temporary folder";
        return false;
    }
    presetFolder_ = JoinPath(folder_, "presets");
    std::error_code ec;
    fs::create_directory(presetFolder_, ec);
    if (!WriteFactorySet(presetFolder_, &error, &selectedMapping_)) return false;
    // The files a program finds there when QMT_REGISTRY_DIR names the folder.
    auto registry = std::make_unique<FileRegistry>(JoinPath(folder_, "user.reg"),
                                                   JoinPath(folder_, "machine.reg"));
    if (!registry->setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, presetFolder_) ||
        !registry->setString(Hive::LocalMachine, kQmtMidiKey, kMappingPathValue, presetFolder_) ||
        !registry->setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue,
                             selectedMapping_)) {
        error = "cannot write the temporary registry in " + folder_;
        return false;
    }
    registry_ = std::move(registry);
    return true;
}

}  // namespace qmt
