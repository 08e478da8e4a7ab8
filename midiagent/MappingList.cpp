#include "midiagent/MappingList.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "common/AsciiCase.h"

namespace qmt {

namespace {

constexpr std::string_view kMappingExtension = ".kdm";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<size_t> MappingSeparatorOf(const std::string& name) {
    size_t at = name.find('-');
    if (at == std::string::npos) return std::nullopt;
    while (at > 0 && name[at - 1] == ' ')
        --at;
    if (at == 0) return std::nullopt;
    return at;
}

std::string SelectedMappingNameOf(const std::string& selectedPath) {
    const size_t slash = selectedPath.find_last_of("\\/");
    std::string name = slash == std::string::npos ? selectedPath : selectedPath.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

std::vector<std::string> MappingNamesInFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        const std::string file = it->path().filename().string();
        if (file.size() >= kMappingExtension.size() &&
            equalsIgnoreCase(file.substr(file.size() - kMappingExtension.size()),
                             std::string(kMappingExtension)))
            files.push_back(file);
    }
    // The folder's own order is arbitrary; the file names' order makes equal names (files
    // differing in the extension's case only) come out the same way every time.
    std::sort(files.begin(), files.end());
    for (std::string& file : files)
        file.resize(file.size() - kMappingExtension.size());
    return files;
}

MappingList::MappingList(std::vector<std::string> names,
                         const std::optional<std::string>& selectedName) {
    std::stable_sort(names.begin(), names.end());
    for (std::string& name : names) {
        MappingListEntry entry;
        entry.name = std::move(name);
        entries_.push_back(std::move(entry));
    }
    formGroups(selectedName);
}

void MappingList::formGroups(const std::optional<std::string>& selectedName) {
    // A group led by a name without a separator has no prefix, and nothing joins it.
    std::optional<std::string_view> groupPrefix;
    size_t leader = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        MappingListEntry& entry = entries_[i];
        entry.separator = MappingSeparatorOf(entry.name);
        const std::optional<std::string_view> prefix =
            entry.separator
                ? std::optional(std::string_view(entry.name).substr(0, *entry.separator))
                : std::nullopt;
        if (i == 0 || !prefix || !groupPrefix || *prefix != *groupPrefix) {
            leader = i;
            groupPrefix = prefix;
        }
        entry.selected = selectedName && equalsIgnoreCase(*selectedName, entry.name);
        entry.leader = leader;
        entries_[leader].memberCount++;
        if (entry.selected) entries_[leader].groupHasSelected = true;
    }
}

std::string MappingList::prefixOf(size_t index) const {
    const MappingListEntry& entry = entries_[index];
    return entry.separator ? entry.name.substr(0, *entry.separator) : entry.name;
}

std::string MappingList::memberTextOf(size_t index) const {
    const MappingListEntry& entry = entries_[index];
    if (!entry.separator) return entry.name;
    size_t at = *entry.separator;
    while (at < entry.name.size() && isBlank(entry.name[at]))
        ++at;
    if (at < entry.name.size() && entry.name[at] == '-') ++at;
    while (at < entry.name.size() && isBlank(entry.name[at]))
        ++at;
    return entry.name.substr(at);
}

}  // namespace qmt
