// Plain POSIX: a double fork, with a close-on-exec pipe that carries the error of a failed
// exec back, so the caller still learns whether the program started.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ProcessLauncher.h"

namespace qmt {

namespace {

// Runs in the forked children: only async-signal-safe calls from here on.
[[noreturn]] void startGrandchild(const char* path, char* const* argv, int reportFd) {
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
        ::setsid();
        ::execv(path, argv);
        const int error = errno;
        while (::write(reportFd, &error, sizeof error) < 0 && errno == EINTR) {
        }
        ::_exit(127);
    }
    if (grandchild < 0) {
        const int error = errno;
        while (::write(reportFd, &error, sizeof error) < 0 && errno == EINTR) {
        }
    }
    ::_exit(0);
}

}  // namespace

bool DetachedProcessLauncher::startProcess(const std::string& path,
                                           const std::vector<std::string>& arguments) {
    // Everything the children use is made before the fork.
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;

    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        startGrandchild(path.c_str(), argv.data(), report[1]);
    }
    ::close(report[1]);
    if (child < 0) {
        ::close(report[0]);
        return false;
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    // End of file: the exec succeeded and closed the pipe; anything else is its error.
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return n == 0;
}

}  // namespace qmt
