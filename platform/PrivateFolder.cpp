#include "platform/PrivateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qmt {

bool MakePrivateFolder(const std::string& folder, std::string& error) {
    ::mkdir(folder.c_str(), 0700);
    struct stat info;
    if (::lstat(folder.c_str(), &info) != 0) {
        error = "cannot create the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    // A link or a file in its place could hand our sockets and events to someone else.
    if (!S_ISDIR(info.st_mode)) {
        error = folder + " is not a folder; remove it";
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        error = folder + " belongs to another user; remove it or set XDG_RUNTIME_DIR";
        return false;
    }
    if ((info.st_mode & 077) != 0) ::chmod(folder.c_str(), 0700);
    return true;
}

}  // namespace qmt
