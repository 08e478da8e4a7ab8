#pragma once
// The driver's private control codes between processes: a Unix-domain stream socket at
// $XDG_RUNTIME_DIR/qmtmidi/control. A request carries the code, the input bytes and the
// output length the caller offers; the answer carries the NTSTATUS, the information count
// and the output bytes. One request per connection, as a device-control request is one call.

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

// The socket path from the environment; empty when no runtime folder is known.
std::string DefaultControlSocketPath();

// Serves requests on a thread of its own; each is dispatched in that thread.
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

  private:
    void Serve();
    void Answer(int connection);

    std::string path_;
    Dispatch dispatch_;
    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
};

// True when a server listens at `path`.
bool ControlServerListening(const std::string& path);
// Sends one request; nullopt when the server cannot be reached or answers badly.
std::optional<ControlAnswer> SendControlRequest(const std::string& path,
                                                const ControlRequest& request);

}  // namespace qmt
