#pragma once
// What a command-line program does last: make sure everything it printed really arrived. A
// full disk or a closed pipe on standard output must fail the program, not let it report
// success with half its output lost.

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qmt {

// Keeps what the program prints (up to 1 MB) until FinishStandardOutput, so that a failing
// write happens there, where its reason can still be told.
// Only the first call does anything: the buffer must be set before the first output.
inline void BufferStandardOutput() {
    static char buffer[1 << 20];
    static const bool set = std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer) == 0;
    (void)set;
}

// Flushes standard output. On failure prints "PROGRAM: cannot write the output: REASON" to
// standard error and returns 1; otherwise returns `status`.
inline int FinishStandardOutput(const char* program, int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int code = errno;
    if (flushed && !std::ferror(stdout)) return status;
    std::fprintf(stderr, "%s: cannot write the output: %s\n", program,
                 std::strerror(code != 0 ? code : EIO));
    return 1;
}

}  // namespace qmt
