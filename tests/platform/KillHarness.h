#pragma once
// Writers that are killed (SIGKILL) at random points of a loop of writes, for the tests that
// prove a store never loses an acknowledged write and never leaves a damaged file.
//
// Each round forks one process per writer. Writer c calls `write(c, g)` for the generations
// g = start[c] + 1, start[c] + 2, ... and, after each call that reports success, tells the
// parent g through a pipe. The parent kills writer c once it has heard a seeded number of
// acknowledgements from it, after a seeded busy pause, so the kill lands anywhere in the
// writes that follow: before, inside or after a rename, while holding a lock, or while
// another writer works on the same file. The seed fixes every choice the parent makes; only
// the scheduler adds its own variation.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace qmt::test {

class KillHarness {
  public:
    using Write = std::function<bool(int writer, uint32_t generation)>;

    KillHarness(uint32_t seed, int writers) : random_(seed), writers_(writers) {}

    // One round. `acked[c]` is the last generation writer c had acknowledged before the
    // round (0 for none) and holds the last one acknowledged in it afterwards. False (with
    // `error`) when a writer failed a write or nothing was heard for `timeoutMs`.
    bool RunRound(const Write& write, std::vector<uint32_t>& acked, std::string& error,
                  int maxAcksBeforeKill = 12, int timeoutMs = 60000) {
        int fds[2];
        if (::pipe(fds) != 0) return Fail(error, "no pipe");
        std::vector<pid_t> pids(writers_, -1);
        std::vector<int> killAfter(writers_);
        std::vector<int> heard(writers_, 0);
        for (int c = 0; c < writers_; ++c) {
            killAfter[c] = std::uniform_int_distribution<int>(0, maxAcksBeforeKill)(random_);
            pids[c] = ::fork();
            if (pids[c] == 0) {
                ::close(fds[0]);
                Writer(write, c, acked[c], fds[1]);
            }
        }
        ::close(fds[1]);
        int alive = writers_;
        for (int c = 0; c < writers_; ++c)
            if (killAfter[c] == 0) alive -= Kill(pids[c]);
        bool ok = true;
        int silentMs = 0;
        while (alive > 0 && ok) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, kSliceMs) <= 0) {
                silentMs += kSliceMs;
                if (WriterEnded(pids, error) || silentMs >= timeoutMs)
                    ok = Fail(error, error.empty() ? "no writer was heard for " +
                                                         std::to_string(timeoutMs) + " ms"
                                                   : error);
                continue;
            }
            silentMs = 0;
            uint32_t message[2];
            if (::read(fds[0], message, sizeof message) != sizeof message) {
                ok = Fail(error, "the acknowledgement pipe broke");
                break;
            }
            const int c = static_cast<int>(message[0]);
            acked[c] = message[1];
            if (++heard[c] == killAfter[c]) alive -= Kill(pids[c]);
        }
        for (int c = 0; c < writers_; ++c) {
            if (pids[c] <= 0) continue;
            ::kill(pids[c], SIGKILL);
            ::waitpid(pids[c], nullptr, 0);
        }
        // Acknowledgements already in the pipe from writers killed just after sending count.
        uint32_t message[2];
        while (::read(fds[0], message, sizeof message) == sizeof message)
            acked[message[0]] = message[1];
        ::close(fds[0]);
        return ok;
    }

  private:
    static bool Fail(std::string& error, const std::string& why) {
        error = why;
        return false;
    }

    static constexpr int kSliceMs = 200;

    // True (with `error`) when a writer ended without being killed: one of its writes failed.
    static bool WriterEnded(std::vector<pid_t>& pids, std::string& error) {
        for (size_t c = 0; c < pids.size(); ++c) {
            int status = 0;
            if (pids[c] <= 0 || ::waitpid(pids[c], &status, WNOHANG) != pids[c]) continue;
            pids[c] = -1;
            error = "writer " + std::to_string(c) + " ended by itself (status " +
                    std::to_string(status) + "): a write failed";
            return true;
        }
        return false;
    }

    [[noreturn]] static void Writer(const Write& write, int c, uint32_t last, int ack) {
        for (uint32_t g = last + 1;; ++g) {
            if (!write(c, g)) ::_exit(3);
            const uint32_t message[2] = {static_cast<uint32_t>(c), g};
            if (::write(ack, message, sizeof message) != sizeof message) ::_exit(4);
        }
    }

    // Pauses for a seeded while (busy, so the writer keeps running), then kills. Returns 1.
    int Kill(pid_t& pid) {
        const int spins = std::uniform_int_distribution<int>(0, 400000)(random_);
        volatile int sink = 0;
        for (int i = 0; i < spins; ++i)
            sink = i;
        (void)sink;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
        return 1;
    }

    std::mt19937 random_;
    int writers_;
};

}  // namespace qmt::test
