#pragma once
// A thread with a manual-reset quit event. It is created suspended: nothing runs until
// resume(). stop() sets the quit event and joins. A subclass must call stop() in its own
// destructor, because run() uses the subclass's members.

#include <atomic>
#include <mutex>
#include <thread>

#include "common/Event.h"

namespace qmt {

class ThreadAbs {
  public:
    virtual ~ThreadAbs();
    ThreadAbs(const ThreadAbs&) = delete;
    ThreadAbs& operator=(const ThreadAbs&) = delete;

    // Starts the thread; true if it runs now (also when it already ran).
    bool resume();
    // Sets the quit event and waits for the thread to end. Safe to call more than once; a
    // stopped thread can be resumed again. Called on the thread itself it only sets the quit
    // event: the thread ends when run() returns and a later stop() elsewhere joins it.
    void stop();
    bool isRunning();
    // True when called on this thread.
    bool isCurrentThread() const;

  protected:
    ThreadAbs() = default;

    // The thread's body; it must return soon after the quit event is set.
    virtual void run() = 0;
    // Runs on the stopping thread after the join, with the thread gone.
    virtual void afterStop() {}

    Event& quitEvent() { return quit_; }

    // Holding this lock keeps the thread from being started or stopped meanwhile.
    std::unique_lock<std::mutex> lockControl() { return std::unique_lock(controlMutex_); }
    // Whether the thread exists; call with lockControl() held.
    bool isRunningLocked() const { return thread_.joinable(); }

  private:
    Event quit_{true, false};
    std::mutex controlMutex_;
    std::thread thread_;
    std::atomic<std::thread::id> threadId_{};
};

}  // namespace qmt
