#pragma once
// Base of the objects a thread can wait on (events and semaphores), alone or several at once,
// with the Windows rules: a wait that succeeds consumes the signal of exactly the one object
// it returns (an auto-reset event resets, a semaphore count drops by one).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace qmt {

// Time-outs are milliseconds; kInfinite waits for ever and 0 only polls.
inline constexpr uint32_t kInfinite = 0xFFFFFFFF;
// Result of a wait that ran out of time.
inline constexpr int kWaitTimeout = -1;
// Result of a wait that was given nothing to wait on.
inline constexpr int kWaitFailed = -2;

class Waitable {
  public:
    virtual ~Waitable() = default;
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;

    // True when the object was signalled within the time-out (and its signal was consumed).
    bool wait(uint32_t timeoutMs);

    // Waits until any of the objects is signalled and returns the lowest signalled index, or
    // kWaitTimeout. Only the returned object's signal is consumed.
    static int waitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs);
    // The same wait, leaving the signal in place: for a waiter that must say it woke before it
    // takes what woke it (a test's step-by-step wait tells "busy" from "idle" that way).
    static int waitForAnySignalled(std::span<Waitable* const> objects, uint32_t timeoutMs);

  protected:
    Waitable() = default;

    // Called with mutex_ held: consume the signal if there is one; or only say whether there is.
    virtual bool tryConsumeLocked() = 0;
    virtual bool isSignalledLocked() const = 0;
    // A look without the lock: false only when the object is surely not signalled now. A wait
    // over many objects asks each one before taking its lock, so the objects that another
    // thread keeps signalling are not locked (and their memory not pulled over) for nothing.
    // A signal that comes just after a false answer wakes the waiter as usual.
    virtual bool mightBeSignalled() const { return true; }
    // Called after the state changed so that a signal may be available: wakes the waiters so
    // each tries to take it again.
    void wakeWaitersLocked();

    std::mutex mutex_;

  private:
    // One per waiting thread; it may be registered with several objects at once.
    struct Waiter {
        std::mutex mutex;
        std::condition_variable wake;
        bool notified = false;
    };

    bool tryConsume(bool take);
    void addWaiter(Waiter* waiter);
    void removeWaiter(Waiter* waiter);
    static int tryConsumeFirst(std::span<Waitable* const> objects, bool take);
    static int waitFor(std::span<Waitable* const> objects, uint32_t timeoutMs, bool take);

    std::vector<Waiter*> waiters_;
};

}  // namespace qmt
