#include "midiagent/UserFolders.h"

#include <filesystem>
#include <system_error>

#include "common/AsciiCase.h"
#include "platform/Registry.h"

namespace qmt {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPresetExtensions[] = {".kvp", ".kap", ".krp", ".kqp"};
constexpr const char* kMappingExtensions[] = {".kdm"};

template <size_t N>
bool hasExtension(const fs::path& file, const char* const (&extensions)[N]) {
    const std::string extension = file.extension().string();
    for (const char* wanted : extensions)
        if (equalsIgnoreCase(extension, wanted)) return true;
    return false;
}

// Copies the folder's files with one of the extensions; anything unreadable is skipped.
template <size_t N>
void copyFactoryFiles(const std::string& from, const fs::path& to,
                      const char* const (&extensions)[N]) {
    std::error_code error;
    for (fs::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
        std::error_code fileError;
        if (!it->is_regular_file(fileError) || !hasExtension(it->path(), extensions)) continue;
        fs::copy_file(it->path(), to / it->path().filename(), fs::copy_options::skip_existing,
                      fileError);
    }
}

bool machineFolder(RegistryIf& registry, const char* value, std::string& folder) {
    return registry.queryString(Hive::LocalMachine, kQmtMidiKey, value, folder) && !folder.empty();
}

}  // namespace

bool EnsureUserFolders(RegistryIf& registry, const std::string& dataHome) {
    std::string existing;
    if (registry.queryString(Hive::CurrentUser, kQmtMidiKey, kPresetPathValue, existing) &&
        !existing.empty())
        return true;
    if (dataHome.empty()) return false;
    const fs::path presets = fs::path(dataHome) / "qmt" / "presets";
    const fs::path mappings = fs::path(dataHome) / "qmt" / "mappings";
    std::error_code error;
    fs::create_directories(presets, error);
    if (error) return false;
    fs::create_directories(mappings, error);
    if (error) return false;

    std::string factory;
    if (machineFolder(registry, kPresetPathValue, factory))
        copyFactoryFiles(factory, presets, kPresetExtensions);
    if (machineFolder(registry, kMappingPathValue, factory))
        copyFactoryFiles(factory, mappings, kMappingExtensions);

    const bool hasMappingPath =
        registry.queryString(Hive::CurrentUser, kQmtMidiKey, kMappingPathValue, existing) &&
        !existing.empty();
    if (!hasMappingPath &&
        !registry.setString(Hive::CurrentUser, kQmtMidiKey, kMappingPathValue, mappings.string()))
        return false;
    return registry.setString(Hive::CurrentUser, kQmtMidiKey, kPresetPathValue, presets.string());
}

}  // namespace qmt
