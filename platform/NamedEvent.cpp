// Named events over FIFOs (plain POSIX, shared by both backends).

#include "platform/NamedEvent.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/PrivateFolder.h"

namespace qmt {

namespace {

bool ValidName(const std::string& name) {
    return !name.empty() && name.size() < 200 && name.find('/') == std::string::npos &&
           name != "." && name != "..";
}

// Takes the holder's shared lock on the event and tells whether another process held one.
bool JoinHolders(int fifo, const std::string& lockPath, bool& existed, std::string& error) {
    const int turn = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (turn < 0 || ::flock(turn, LOCK_EX) != 0) {
        error = "cannot lock " + lockPath + ": " + std::strerror(errno);
        if (turn >= 0) ::close(turn);
        return false;
    }
    // While this opener has the turn nobody else converts a lock, so the test and the
    // conversion below are one step for the others.
    existed = ::flock(fifo, LOCK_EX | LOCK_NB) != 0;
    const bool joined = ::flock(fifo, LOCK_SH) == 0;
    if (!joined) error = "cannot lock the event: " + std::string(std::strerror(errno));
    ::close(turn);
    return joined;
}

}  // namespace

NamedEvent::~NamedEvent() {
    Close();
}

std::string NamedEvent::Folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return {};
    return std::string(runtime) + "/qmt/events";
}

bool NamedEvent::Open(const std::string& name, std::string& error, bool* existed) {
    Close();
    const std::string folder = Folder();
    if (folder.empty()) {
        error = "XDG_RUNTIME_DIR is not set: named events need the user's runtime folder";
        return false;
    }
    if (!ValidName(name)) {
        error = "invalid event name '" + name + "'";
        return false;
    }
    const std::string parent = folder.substr(0, folder.find_last_of('/'));
    if (!MakePrivateFolder(parent, error) || !MakePrivateFolder(folder, error)) return false;
    const std::string path = folder + "/" + name;
    if (::mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST) {
        error = "cannot create the event " + path + ": " + std::strerror(errno);
        return false;
    }
    // Read and write: a set never waits for a reader, and the event keeps its signal while
    // this process holds it.
    fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error = "cannot open the event " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd_, &info) != 0 || !S_ISFIFO(info.st_mode)) {
        error = path + " is not an event";
        Close();
        return false;
    }
    bool held = false;
    if (!JoinHolders(fd_, path + ".lock", held, error)) {
        Close();
        return false;
    }
    if (existed != nullptr) *existed = held;
    return true;
}

void NamedEvent::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool NamedEvent::Set() {
    if (fd_ < 0) return false;
    const char signal = 1;
    const ssize_t n = ::write(fd_, &signal, 1);
    // A full FIFO is a signalled event already.
    return n == 1 || errno == EAGAIN;
}

bool NamedEvent::Wait(uint32_t timeoutMs) {
    if (fd_ < 0) return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        char bytes[4096];
        // Every byte at once: sets made before this wait collapse into one signal.
        const ssize_t n = ::read(fd_, bytes, sizeof bytes);
        if (n > 0) return true;
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        int wait = -1;
        if (timeoutMs != kInfinite) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            wait = static_cast<int>(left.count());
        }
        pollfd fd{fd_, POLLIN, 0};
        if (::poll(&fd, 1, wait) < 0 && errno != EINTR) return false;
        // Woken: another waiter may have taken the signal first; look again.
    }
}

}  // namespace qmt
