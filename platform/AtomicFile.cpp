#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qmt {

namespace {

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

bool Fail(std::string* error, const std::string& what, const std::string& path, int code) {
    if (error) *error = what + " " + Quoted(path) + ": " + std::strerror(code);
    return false;
}

// Replacing a symbolic link would cut it; write through it to the file it names. A link
// that names nothing yet is written as the file it names.
std::string RealTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a temporary file next to `target` (same file system, so the rename is atomic).
// The process id keeps writers in different processes apart even when they were forked
// from one parent; the counter keeps threads and repeated saves apart.
int CreateTemporary(const std::string& target, unsigned mode, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(::getpid()),
                      counter.fetch_add(1));
        temporary = target + suffix;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Makes the rename itself durable. Some file systems cannot sync a folder (EINVAL); the
// rename is as durable there as they make it.
bool SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int code = errno;
    ::close(fd);
    errno = code;
    return synced;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                           std::string* error, const AtomicWriteOptions& options) {
    const std::string target = RealTarget(path);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    std::string temporary;
    const int fd = CreateTemporary(target, options.newFileMode, temporary);
    if (fd < 0) return Fail(error, "cannot write", path, errno);

    bool ok = WriteAll(fd, bytes);
    int code = errno;
    // Keep the permissions a user gave the file being replaced.
    if (ok && (options.forceMode || existed))
        ::fchmod(fd, options.forceMode ? *options.forceMode : (old.st_mode & 07777));
    // The data must be on the disk before the name points at it, or a power cut could
    // leave the new name on an empty file.
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        code = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return Fail(error, "cannot write", path, code);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        code = errno;
        ::unlink(temporary.c_str());
        return Fail(error, "cannot replace", path, code);
    }
    if (!SyncFolder(FolderOf(target))) return Fail(error, "cannot sync the folder of", path, errno);
    return true;
}

}  // namespace qmt
