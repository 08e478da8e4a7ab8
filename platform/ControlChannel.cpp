// The control channel over a Unix-domain socket (plain POSIX, shared by both backends).

#include "platform/ControlChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/PrivateFolder.h"

namespace qmt {

namespace {

// Connections waiting for their request at once; a new one pushes out the oldest.
constexpr size_t kMaxPending = 16;
// How long a client waits for the service's answer: a reload is done in well under a
// second, so a service that takes this long is stuck, and the caller should hear so.
constexpr int kClientTimeoutSeconds = 30;

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
    if (!MakeAddress(path, address)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const timeval timeout{kClientTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        const int code = errno;
        ::close(fd);
        errno = code;
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

struct ControlServer::Pending {
    int fd = -1;
    std::chrono::steady_clock::time_point deadline;
    ControlRequestParser parser;
};

namespace {

// Reads what has arrived; true when the connection is finished with (answered, closed by
// the client, or sending something that is no request).
bool ReadRequest(int fd, ControlRequestParser& parser,
                 const std::function<ControlAnswer(const ControlRequest&)>& dispatch) {
    uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK;
        if (n == 0) return true;
        size_t used = 0;
        const auto state = parser.Feed(buffer, static_cast<size_t>(n), used);
        if (state == ControlRequestParser::State::Bad) return true;
        if (state == ControlRequestParser::State::Complete) {
            const std::vector<uint8_t> answer = EncodeControlAnswer(dispatch(parser.request()));
            WriteAll(fd, answer.data(), answer.size());
            return true;
        }
    }
}

}  // namespace

void ControlServer::Serve() {
    using Clock = std::chrono::steady_clock;
    std::vector<Pending> pending;  // oldest first, so the first deadline comes first
    for (;;) {
        std::vector<pollfd> fds{{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        for (const Pending& p : pending)
            fds.push_back({p.fd, POLLIN, 0});
        int timeout = -1;
        if (!pending.empty()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                pending.front().deadline - Clock::now());
            timeout = static_cast<int>(std::max<int64_t>(0, left.count()));
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents != 0) break;
        const auto now = Clock::now();
        std::vector<Pending> still;
        for (size_t i = 0; i < pending.size(); ++i) {
            Pending& p = pending[i];
            const bool done = (fds[i + 2].revents != 0 && ReadRequest(p.fd, p.parser, dispatch_)) ||
                              now >= p.deadline;
            if (done) {
                ::close(p.fd);
            } else {
                still.push_back(std::move(p));
            }
        }
        pending = std::move(still);
        if ((fds[0].revents & POLLIN) == 0) continue;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        if (pending.size() == kMaxPending) {
            ::close(pending.front().fd);
            pending.erase(pending.begin());
        }
        pending.push_back(
            Pending{connection, now + std::chrono::milliseconds(requestTimeoutMs_), {}});
    }
    for (const Pending& p : pending)
        ::close(p.fd);
}

ControlRequestParser::State ControlRequestParser::Feed(const uint8_t* bytes, size_t size,
                                                       size_t& used) {
    used = 0;
    if (state_ != State::NeedMore) return state_;
    while (headerBytes_ < sizeof header_ && used < size)
        header_[headerBytes_++] = bytes[used++];
    if (headerBytes_ < sizeof header_) return state_;
    if (!haveHeader_) {
        haveHeader_ = true;
        uint32_t fields[3];
        std::memcpy(fields, header_, sizeof fields);
        if (fields[1] > kMaxControlBytes || fields[2] > kMaxControlBytes)
            return state_ = State::Bad;
        request_ = ControlRequest{fields[0], std::vector<uint8_t>(fields[1]), fields[2]};
    }
    const size_t take = std::min(size - used, request_.input.size() - inputBytes_);
    if (take > 0) std::memcpy(request_.input.data() + inputBytes_, bytes + used, take);
    inputBytes_ += take;
    used += take;
    if (inputBytes_ == request_.input.size()) state_ = State::Complete;
    return state_;
}

std::vector<uint8_t> EncodeControlAnswer(const ControlAnswer& answer) {
    const uint32_t fields[3] = {static_cast<uint32_t>(answer.status), answer.information,
                                static_cast<uint32_t>(answer.output.size())};
    std::vector<uint8_t> bytes(sizeof fields + answer.output.size());
    std::memcpy(bytes.data(), fields, sizeof fields);
    if (!answer.output.empty())
        std::memcpy(bytes.data() + sizeof fields, answer.output.data(), answer.output.size());
    return bytes;
}

bool ControlServerListening(const std::string& path, int* reason) {
    const int fd = Connect(path);
    if (fd < 0) {
        if (reason != nullptr) *reason = errno;
        return false;
    }
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
        ReadAll(fd, reply, sizeof reply) && reply[2] <= kMaxControlBytes) {
        ControlAnswer result{static_cast<int32_t>(reply[0]), reply[1],
                             std::vector<uint8_t>(reply[2])};
        if (result.output.empty() || ReadAll(fd, result.output.data(), result.output.size()))
            answer = std::move(result);
    }
    ::close(fd);
    return answer;
}

}  // namespace qmt
