#include "common/ThreadAbs.h"

namespace qmt {

ThreadAbs::~ThreadAbs() {
    stop();
}

bool ThreadAbs::resume() {
    std::lock_guard lock(controlMutex_);
    if (thread_.joinable()) return true;
    quit_.reset();
    try {
        thread_ = std::thread([this] {
            threadId_.store(std::this_thread::get_id());
            run();
        });
    } catch (...) {
        return false;
    }
    return true;
}

void ThreadAbs::stop() {
    quit_.set();
    // A thread cannot join itself; it leaves once run() sees the quit event.
    if (isCurrentThread()) return;
    std::lock_guard lock(controlMutex_);
    if (!thread_.joinable()) return;
    thread_.join();
    threadId_.store(std::thread::id());
    afterStop();
}

bool ThreadAbs::isRunning() {
    std::lock_guard lock(controlMutex_);
    return thread_.joinable();
}

bool ThreadAbs::isCurrentThread() const {
    return std::this_thread::get_id() == threadId_.load();
}

}  // namespace qmt
