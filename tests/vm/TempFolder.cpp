#include "TempFolder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace qmt::vm {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qmt-vm-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data())) path_ = buffer.data();
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::makeFolder(const std::string& relative, unsigned mode) const {
    const std::string folder = path_ + "/" + relative;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    ::chmod(folder.c_str(), mode);
    return folder;
}

}  // namespace qmt::vm
