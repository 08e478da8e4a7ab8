#include "platform/RegistryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/RegFileFormat.h"

namespace qmt {

namespace {

// Closes the descriptor (and so drops its lock) on every way out.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

  private:
    int fd_;
};

bool readAll(int fd, std::string& text) {
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        text.append(buffer, static_cast<size_t>(n));
    }
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool copyFile(const std::string& from, const std::string& to) {
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    std::string text;
    if (!in.valid() || !readAll(in.get(), text)) return false;
    FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    return out.valid() && writeAll(out.get(), text) && ::fsync(out.get()) == 0;
}

}  // namespace

RegistryFile::RegistryFile(std::string path, std::string hiveName)
    : path_(std::move(path)), hiveName_(std::move(hiveName)) {}

RegistryFile::Status RegistryFile::load(RegistryHive& hive) const {
    hive = RegistryHive();
    FileDescriptor fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return errno == ENOENT ? Status::Missing : Status::Unreadable;
    std::string text;
    if (!readAll(fd.get(), text)) return Status::Unreadable;
    if (RegFileFormat::parse(text, hiveName_, hive)) return Status::Loaded;
    hive = RegistryHive();
    return Status::Corrupt;
}

std::string RegistryFile::backupPath() const {
    std::string candidate = path_ + ".bad";
    for (int n = 1; std::filesystem::exists(candidate) && n < 1000; ++n) {
        candidate = path_ + ".bad." + std::to_string(n);
    }
    return candidate;
}

bool RegistryFile::keepCorruptCopy() const {
    return copyFile(path_, backupPath());
}

// The user's hive is the user's alone; the machine's hive is read by every user.
unsigned RegistryFile::fileMode() const {
    return hiveName_ == "HKEY_CURRENT_USER" ? 0600 : 0644;
}

bool RegistryFile::writeAtomically(const std::string& text) const {
    AtomicWriteOptions options;
    options.forceMode = fileMode();
    return ReplaceFileAtomically(
        path_, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, nullptr, options);
}

bool RegistryFile::modify(const std::function<bool(RegistryHive&)>& change) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty() && std::filesystem::create_directories(folder, error) && fileMode() == 0600)
        ::chmod(folder.c_str(), 0700);

    const std::string lockPath = path_ + ".lock";
    FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, fileMode()));
    if (!lock.valid()) return false;
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }

    RegistryHive hive;
    const Status status = load(hive);
    if (status == Status::Unreadable) return false;
    if (!change(hive)) return false;
    if (status == Status::Corrupt && !keepCorruptCopy()) return false;
    return writeAtomically(RegFileFormat::serialize(hive, hiveName_));
}

}  // namespace qmt
