// The relay thread polls the named event's descriptor beside a pipe that close() writes to.

#include "platform/NamedEventRelay.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qmt {

NamedEventRelay::~NamedEventRelay() {
    close();
}

bool NamedEventRelay::open(const std::string& name, std::string& error, bool* existed) {
    close();
    if (!named_.Open(name, error, existed)) return false;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("cannot make the relay's wake-up pipe: ") + std::strerror(errno);
        named_.Close();
        return false;
    }
    wakeRead_ = pipe[0];
    wakeWrite_ = pipe[1];
    try {
        thread_ = std::thread(&NamedEventRelay::relay, this);
    } catch (...) {
        error = "cannot start the relay thread";
        close();
        return false;
    }
    return true;
}

void NamedEventRelay::close() {
    if (thread_.joinable()) {
        const char stop = 1;
        while (::write(wakeWrite_, &stop, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (int* fd : {&wakeRead_, &wakeWrite_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    named_.Close();
}

void NamedEventRelay::relay() {
    for (;;) {
        pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {named_.fd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents != 0) return;
        // Another process holding the event may have taken the signal first.
        if ((fds[1].revents & POLLIN) != 0 && named_.Wait(0)) event_.set();
        if ((fds[1].revents & (POLLERR | POLLNVAL)) != 0) return;
    }
}

}  // namespace qmt
