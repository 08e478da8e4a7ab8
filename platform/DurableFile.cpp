#include "platform/DurableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace qmt {

namespace fs = std::filesystem;

namespace {

bool Fail(std::string* error, const std::string& what, int code) {
    if (error) *error = what + ": " + std::strerror(code);
    return false;
}

std::string TemporaryNameFor(const std::string& path) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    return path + "." + std::to_string(random()) + ".tmp";
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The rename itself must reach the disk too, or the old name may come back after a crash.
void SyncFolderOf(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileDurably(const std::string& path, std::span<const uint8_t> bytes, std::string* error) {
    std::error_code ec;
    std::string target = path;
    if (fs::is_symlink(path, ec)) {
        const fs::path real = fs::weakly_canonical(path, ec);
        if (!ec) target = real.string();
    }
    // Keep the permissions a user gave the file being replaced.
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const std::string temporary = TemporaryNameFor(target);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return Fail(error, "cannot write \"" + path + "\"", errno);
    ::fchmod(fd, mode);  // the process's umask must not narrow the old file's permissions
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int code = !written ? writeErrno : errno;
        ::unlink(temporary.c_str());
        return Fail(error, "cannot write \"" + path + "\"", code);
    }
    SyncFolderOf(target);
    return true;
}

}  // namespace qmt
