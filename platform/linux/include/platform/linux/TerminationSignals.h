#pragma once
// A service's stop request: SIGINT and SIGTERM are blocked in every thread (so no thread
// started later is interrupted by them) and taken in one place with sigwait.

namespace qmt {

class TerminationSignals {
  public:
    // Call before starting any thread.
    TerminationSignals();
    // Waits for SIGINT or SIGTERM; returns its number.
    int Wait();
};

}  // namespace qmt
