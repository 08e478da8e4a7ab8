#pragma once
// The driver's private control codes between processes: a Unix-domain stream socket at
// $XDG_RUNTIME_DIR/qmtmidi/control. A request carries the code, the input bytes and the
// output length the caller offers; the answer carries the NTSTATUS, the information count
// and the output bytes. One request per connection, as a device-control request is one call.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qmt {

// The MIDI driver's two private control codes (device type 0xB430, buffered, any access;
// function numbers 0xB40 and 0xB41): reload the selected mapping (no input, no output), and
// whether the MIDI ports are in use (no input, one byte out).
inline constexpr uint32_t kIoctlReloadMapping = 0xB4302D00;
inline constexpr uint32_t kIoctlPortsInUse = 0xB4302D04;

struct ControlRequest {
    uint32_t code = 0;
    std::vector<uint8_t> input;
    uint32_t outputLength = 0;
};

struct ControlAnswer {
    int32_t status = 0;
    uint32_t information = 0;
    std::vector<uint8_t> output;
};

// Requests and answers larger than this are refused; the codes carry no input at all.
inline constexpr uint32_t kMaxControlBytes = 4096;

// The request as it travels: code, input length and output length (32 bits each, the
// machine's byte order), then the input bytes. Bytes arrive in any pieces; the parser
// takes them as they come and says when a whole request is there or the bytes cannot be
// one (a length over kMaxControlBytes).
class ControlRequestParser {
  public:
    enum class State { NeedMore, Complete, Bad };

    // Takes bytes up to the end of the request; `used` says how many were taken.
    State Feed(const uint8_t* bytes, size_t size, size_t& used);
    State state() const { return state_; }
    // Valid once the state is Complete.
    const ControlRequest& request() const { return request_; }

  private:
    uint8_t header_[12] = {};
    size_t headerBytes_ = 0;
    bool haveHeader_ = false;
    size_t inputBytes_ = 0;
    ControlRequest request_;
    State state_ = State::NeedMore;
};

// The answer as it travels: status, information and output length, then the output bytes.
std::vector<uint8_t> EncodeControlAnswer(const ControlAnswer& answer);

// The socket path from the environment; empty when no runtime folder is known.
std::string DefaultControlSocketPath();

// Serves requests on a thread of its own; each is dispatched in that thread. Connections
// are read as their bytes arrive, so a client that connects and sends nothing (or half a
// request) never holds up another one; such a connection is dropped after a while, and the
// oldest one when too many wait at once.
class ControlServer {
  public:
    using Dispatch = std::function<ControlAnswer(const ControlRequest&)>;
    ControlServer() = default;
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // Creates the folder and listens; false (with `error`) when the socket cannot be made.
    bool Start(const std::string& path, Dispatch dispatch, std::string& error);
    void Stop();
    const std::string& path() const { return path_; }

    // How long a connection may take to send its request (tests shorten it).
    void SetRequestTimeoutMs(int ms) { requestTimeoutMs_ = ms; }

  private:
    struct Pending;
    void Serve();

    std::string path_;
    Dispatch dispatch_;
    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    int requestTimeoutMs_ = 5000;
    std::thread thread_;
};

// True when a server listens at `path`. Otherwise `reason` (when given) receives the errno of
// the failed connection: ENOENT (no socket), ECONNREFUSED (nobody listens), EACCES (the socket
// or its folder belongs to another user), ...
bool ControlServerListening(const std::string& path, int* reason = nullptr);
// Sends one request; nullopt when the server cannot be reached or answers badly.
std::optional<ControlAnswer> SendControlRequest(const std::string& path,
                                                const ControlRequest& request);

}  // namespace qmt
