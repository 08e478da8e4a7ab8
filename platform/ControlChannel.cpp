// The control channel over a Unix-domain socket (plain POSIX, shared by both backends).

#include "platform/ControlChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/PrivateFolder.h"

namespace qmt {

namespace {

// Requests larger than this are refused; the codes carry no input at all.
constexpr uint32_t kMaxBytes = 4096;

bool WriteAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size) {
    auto* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::recv(fd, p, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int Connect(const std::string& path) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string DefaultControlSocketPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return {};
    return std::string(runtime) + "/qmtmidi/control";
}

ControlServer::~ControlServer() {
    Stop();
}

bool ControlServer::Start(const std::string& path, Dispatch dispatch, std::string& error) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) {
        error = "no usable control socket path";
        return false;
    }
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakePrivateFolder(path.substr(0, slash), error))
        return false;
    // A socket left by a service that died is replaced; a live one is not taken over.
    if (ControlServerListening(path)) {
        error = "another qmtmidi already listens at " + path;
        return false;
    }
    ::unlink(path.c_str());
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int pipeFds[2];
    if (listener_ < 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::string("cannot create the control socket: ") + std::strerror(errno);
        Stop();
        return false;
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 8) != 0) {
        error = "cannot listen at " + path + ": " + std::strerror(errno);
        Stop();
        return false;
    }
    // Only the user may ask this service to reload; the folder says so already, the socket
    // says it again in case the folder is ever shared.
    ::chmod(path.c_str(), 0600);
    path_ = path;
    dispatch_ = std::move(dispatch);
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void ControlServer::Stop() {
    if (thread_.joinable()) {
        const char quit = 'q';
        (void)!::write(wakeWrite_, &quit, 1);
        thread_.join();
    }
    for (int* fd : {&listener_, &wakeRead_, &wakeWrite_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
}

void ControlServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) continue;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        Answer(connection);
        ::close(connection);
    }
}

void ControlServer::Answer(int connection) {
    uint32_t header[3];
    if (!ReadAll(connection, header, sizeof header)) return;
    if (header[1] > kMaxBytes || header[2] > kMaxBytes) return;
    ControlRequest request{header[0], std::vector<uint8_t>(header[1]), header[2]};
    if (!request.input.empty() && !ReadAll(connection, request.input.data(), header[1])) return;
    ControlAnswer answer = dispatch_(request);
    const uint32_t reply[3] = {static_cast<uint32_t>(answer.status), answer.information,
                               static_cast<uint32_t>(answer.output.size())};
    if (WriteAll(connection, reply, sizeof reply) && !answer.output.empty())
        WriteAll(connection, answer.output.data(), answer.output.size());
}

bool ControlServerListening(const std::string& path) {
    const int fd = Connect(path);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::optional<ControlAnswer> SendControlRequest(const std::string& path,
                                                const ControlRequest& request) {
    const int fd = Connect(path);
    if (fd < 0) return std::nullopt;
    const uint32_t header[3] = {request.code, static_cast<uint32_t>(request.input.size()),
                                request.outputLength};
    std::optional<ControlAnswer> answer;
    uint32_t reply[3];
    if (WriteAll(fd, header, sizeof header) &&
        (request.input.empty() || WriteAll(fd, request.input.data(), request.input.size())) &&
        ReadAll(fd, reply, sizeof reply) && reply[2] <= kMaxBytes) {
        ControlAnswer result{static_cast<int32_t>(reply[0]), reply[1],
                             std::vector<uint8_t>(reply[2])};
        if (result.output.empty() || ReadAll(fd, result.output.data(), result.output.size()))
            answer = std::move(result);
    }
    ::close(fd);
    return answer;
}

}  // namespace qmt
