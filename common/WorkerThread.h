#pragma once
// A thread that runs functors when the handles registered with it fire. It waits on the quit
// event, a command semaphore and the registered handles; registrations made while it exists
// are posted to it as commands, so the handle list belongs to the thread alone.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "common/FunctorIf.h"
#include "common/Semaphore.h"
#include "common/ThreadAbs.h"

namespace qmt {

class WorkerThread final : public ThreadAbs {
  public:
    static constexpr uint32_t kMaxCommands = 65535;

    WorkerThread() = default;
    ~WorkerThread() override;

    // Runs `functor` on the worker each time `handle` fires (an auto-reset event or a
    // semaphore fires once per signal; a set manual-reset event fires again and again).
    // Registering a handle twice replaces its functor. False when the command queue is full.
    // The handle must outlive its registration (unregister it or stop the worker first).
    bool registerHandle(Waitable* handle, std::unique_ptr<FunctorIf> functor);
    // After this returns the handle's functor no longer runs and has been deleted, so the
    // caller may destroy what it used. Called from inside a functor it takes effect at once.
    bool unregisterHandle(Waitable* handle);

  protected:
    void run() override;
    void afterStop() override;

  private:
    struct Registration {
        Waitable* handle;
        std::unique_ptr<FunctorIf> functor;
    };

    bool post(std::unique_ptr<FunctorIf> command);
    void runCommand();
    void runPendingCommands();
    void addRegistration(Waitable* handle, FunctorIf* functor);
    void removeRegistration(Waitable* handle, Event* done);

    Semaphore commands_{0, kMaxCommands};
    std::mutex queueMutex_;
    std::deque<std::unique_ptr<FunctorIf>> queue_;
    // Touched only by the worker, or by the stopping thread once the worker is gone.
    std::vector<Registration> registrations_;
    // Functors dropped while one of them may still be running; deleted once it returns.
    std::vector<std::unique_ptr<FunctorIf>> retired_;
};

}  // namespace qmt
