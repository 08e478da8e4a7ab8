#include "common/WorkerThread.h"

#include <algorithm>

#include "common/Event.h"
#include "common/MemberFunctor2.h"

namespace qmt {

WorkerThread::~WorkerThread() {
    stop();
}

bool WorkerThread::registerHandle(Waitable* handle, std::unique_ptr<FunctorIf> functor) {
    if (handle == nullptr || !functor) return false;
    if (isCurrentThread()) {
        addRegistration(handle, functor.release());
        return true;
    }
    auto control = lockControl();
    if (!isRunningLocked()) {
        addRegistration(handle, functor.release());
        return true;
    }
    FunctorIf* raw = functor.release();
    using Command = MemberFunctor2<WorkerThread, Waitable*, FunctorIf*>;
    if (post(std::make_unique<Command>(this, &WorkerThread::addRegistration, handle, raw))) {
        return true;
    }
    delete raw;
    return false;
}

bool WorkerThread::unregisterHandle(Waitable* handle) {
    if (isCurrentThread()) {
        removeRegistration(handle, nullptr);
        return true;
    }
    auto control = lockControl();
    if (!isRunningLocked()) {
        removeRegistration(handle, nullptr);
        return true;
    }
    // Wait for the worker to drop the handle, so its functor cannot be running afterwards.
    Event done(true);
    using Command = MemberFunctor2<WorkerThread, Waitable*, Event*>;
    if (!post(std::make_unique<Command>(this, &WorkerThread::removeRegistration, handle, &done))) {
        return false;
    }
    // Release the control lock first: a concurrent stop() runs the command after the join.
    control.unlock();
    done.wait(kInfinite);
    return true;
}

bool WorkerThread::post(std::unique_ptr<FunctorIf> command) {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(std::move(command));
    if (commands_.release()) return true;
    queue_.pop_back();
    return false;
}

void WorkerThread::runCommand() {
    std::unique_ptr<FunctorIf> command;
    {
        std::lock_guard lock(queueMutex_);
        if (queue_.empty()) return;
        command = std::move(queue_.front());
        queue_.pop_front();
    }
    (*command)();
}

void WorkerThread::runPendingCommands() {
    while (commands_.wait(0))
        runCommand();
}

void WorkerThread::run() {
    std::vector<Waitable*> handles;
    for (;;) {
        handles.assign({&quitEvent(), &commands_});
        for (const Registration& registration : registrations_) {
            handles.push_back(registration.handle);
        }
        const int index = Waitable::waitForAny(handles, kInfinite);
        if (index == 0 || index < 0 || static_cast<size_t>(index) >= handles.size()) return;
        if (index == 1) {
            runCommand();
            retired_.clear();
            continue;
        }
        // The functor may unregister its own handle; it is deleted only after it returns.
        (*registrations_[static_cast<size_t>(index) - 2].functor)();
        retired_.clear();
    }
}

void WorkerThread::afterStop() {
    runPendingCommands();
}

void WorkerThread::addRegistration(Waitable* handle, FunctorIf* functor) {
    std::unique_ptr<FunctorIf> owned(functor);
    auto it = std::find_if(registrations_.begin(), registrations_.end(),
                           [handle](const Registration& r) { return r.handle == handle; });
    if (it != registrations_.end()) {
        retired_.push_back(std::move(it->functor));
        it->functor = std::move(owned);
        return;
    }
    registrations_.push_back(Registration{handle, std::move(owned)});
}

void WorkerThread::removeRegistration(Waitable* handle, Event* done) {
    auto it = std::find_if(registrations_.begin(), registrations_.end(),
                           [handle](const Registration& r) { return r.handle == handle; });
    if (it != registrations_.end()) {
        retired_.push_back(std::move(it->functor));
        registrations_.erase(it);
    }
    if (!isCurrentThread()) retired_.clear();
    if (done != nullptr) done->set();
}

}  // namespace qmt
