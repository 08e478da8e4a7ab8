#pragma once
// One running instance of a program per user. The first instance claims a name and
// receives one-byte requests on a local datagram socket of that name; a later instance finds
// it there and hands it a request instead of running itself.
//
// The socket lives in the user's private runtime folder ($XDG_RUNTIME_DIR/qmt, else
// /tmp/qmt-<uid>). Who owns the name is decided by an advisory lock on "<name>.lock" that
// the owner holds for its lifetime, not by the socket file's existence: the system drops the
// lock when a process dies, so a socket left behind by a crashed instance never keeps a new
// one from starting (the new owner replaces it).
//
// Single-threaded: the owner reads its requests on its own thread (its event loop watches
// listenerFd()).

#include <cstdint>
#include <string>
#include <vector>

namespace qmt {

class SingleInstance {
  public:
    enum class Claim : uint8_t { Owner, OtherRunning, Failed };

    // `folder` empty: the user's runtime folder as above.
    explicit SingleInstance(std::string name, std::string folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    static std::string UserRuntimeFolder();

    // Becomes the owner when no other process holds the name. Failed (with `error`) when the
    // folder, the lock or the socket cannot be made.
    Claim claim(std::string& error);
    bool isOwner() const { return listener_ >= 0; }

    // Hands a request to the running owner; false when no owner receives it.
    bool sendToRunning(uint8_t request) const;

    // Owner only: readable while requests wait.
    int listenerFd() const { return listener_; }
    // Owner only: the requests that wait now, oldest first; never blocks.
    std::vector<uint8_t> takeRequests();

    const std::string& socketPath() const { return socketPath_; }

  private:
    void release();

    std::string folder_;
    std::string socketPath_;
    int lockFd_ = -1;
    int listener_ = -1;
};

}  // namespace qmt
