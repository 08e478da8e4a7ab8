// The single-instance hand-off over a Unix-domain datagram socket (plain POSIX).

#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/PrivateFolder.h"
#include "platform/XdgFolders.h"

namespace qmt {

namespace {

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

SingleInstance::SingleInstance(std::string name, std::string folder)
    : folder_(folder.empty() ? UserRuntimeFolder() : std::move(folder)),
      socketPath_(folder_ + "/" + name) {}

SingleInstance::~SingleInstance() {
    release();
}

std::string SingleInstance::UserRuntimeFolder() {
    const std::string runtime = XdgRuntimeDir();
    if (!runtime.empty()) return runtime + "/qmt";
    return "/tmp/qmt-" + std::to_string(::geteuid());
}

SingleInstance::Claim SingleInstance::claim(std::string& error) {
    release();
    if (!MakePrivateFolder(folder_, error)) return Claim::Failed;
    const std::string lockPath = socketPath_ + ".lock";
    lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        error = "cannot open " + lockPath + ": " + std::strerror(errno);
        return Claim::Failed;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        if (!held) error = "cannot lock " + lockPath + ": " + std::strerror(errno);
        release();
        return held ? Claim::OtherRunning : Claim::Failed;
    }
    sockaddr_un address;
    if (!MakeAddress(socketPath_, address)) {
        error = "the socket path " + socketPath_ + " is too long";
        release();
        return Claim::Failed;
    }
    // Whatever socket is there was left by an owner that no longer runs.
    ::unlink(socketPath_.c_str());
    listener_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = "cannot listen at " + socketPath_ + ": " + std::strerror(errno);
        release();
        return Claim::Failed;
    }
    ::chmod(socketPath_.c_str(), 0600);
    return Claim::Owner;
}

bool SingleInstance::sendToRunning(uint8_t request) const {
    sockaddr_un address;
    if (!MakeAddress(socketPath_, address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // A socket file nobody is bound to refuses the datagram (ECONNREFUSED).
    const ssize_t sent = ::sendto(fd, &request, 1, MSG_NOSIGNAL,
                                  reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::close(fd);
    return sent == 1;
}

std::vector<uint8_t> SingleInstance::takeRequests() {
    std::vector<uint8_t> requests;
    if (listener_ < 0) return requests;
    for (;;) {
        uint8_t datagram[16];
        const ssize_t n = ::recv(listener_, datagram, sizeof datagram, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        // A request is one byte; anything else is not ours and is dropped.
        if (n == 1) requests.push_back(datagram[0]);
    }
    return requests;
}

void SingleInstance::release() {
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(socketPath_.c_str());
    }
    listener_ = -1;
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
}

}  // namespace qmt
