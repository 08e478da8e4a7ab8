#include "common/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "common/Event.h"
#include "common/MemberFunctor.h"

namespace qmt {
namespace {

// Counts how often its handle fired and tells the test each time.
struct Listener {
    std::atomic<int> calls{0};
    Event called{false};
    void onFire() {
        ++calls;
        called.set();
    }
};

std::unique_ptr<FunctorIf> bind(Listener& l) {
    return std::make_unique<MemberFunctor<Listener>>(&l, &Listener::onFire);
}

TEST(WorkerThreadTest, RegisteredHandleRunsItsFunctorOnEachSignal) {
    Event trigger(false);
    Listener listener;
    WorkerThread worker;  // declared last: stops before the handles it waits on go away
    ASSERT_TRUE(worker.registerHandle(&trigger, bind(listener)));  // before the thread runs
    ASSERT_TRUE(worker.resume());
    trigger.set();
    ASSERT_TRUE(listener.called.wait(kInfinite));
    trigger.set();
    ASSERT_TRUE(listener.called.wait(kInfinite));
    worker.stop();
    EXPECT_EQ(listener.calls.load(), 2);
    EXPECT_FALSE(worker.isRunning());
}

TEST(WorkerThreadTest, RegisterAndUnregisterWhileRunning) {
    Event first(false), second(false);
    Listener a, b;
    WorkerThread worker;
    ASSERT_TRUE(worker.resume());
    ASSERT_TRUE(worker.registerHandle(&first, bind(a)));
    ASSERT_TRUE(worker.registerHandle(&second, bind(b)));
    second.set();
    ASSERT_TRUE(b.called.wait(kInfinite));
    first.set();
    ASSERT_TRUE(a.called.wait(kInfinite));

    // Once unregister returns the functor is gone: a later signal stays unconsumed.
    ASSERT_TRUE(worker.unregisterHandle(&first));
    first.set();
    second.set();
    ASSERT_TRUE(b.called.wait(kInfinite));
    EXPECT_TRUE(first.isSet());
    EXPECT_EQ(a.calls.load(), 1);
    EXPECT_EQ(b.calls.load(), 2);
}

// A functor that unregisters its own handle from the worker thread.
struct SelfRemover {
    WorkerThread* worker = nullptr;
    Event* handle = nullptr;
    Event removed{false};
    void onFire() {
        worker->unregisterHandle(handle);
        removed.set();
    }
};

TEST(WorkerThreadTest, FunctorMayUnregisterItsOwnHandle) {
    Event trigger(false);
    SelfRemover remover;
    WorkerThread worker;
    remover.worker = &worker;
    remover.handle = &trigger;
    ASSERT_TRUE(worker.resume());
    ASSERT_TRUE(worker.registerHandle(
        &trigger, std::make_unique<MemberFunctor<SelfRemover>>(&remover, &SelfRemover::onFire)));
    trigger.set();
    ASSERT_TRUE(remover.removed.wait(kInfinite));
    trigger.set();
    worker.stop();
    EXPECT_TRUE(trigger.isSet());  // nobody consumed the second signal
}

TEST(WorkerThreadTest, StopJoinsAndTheWorkerCanRunAgain) {
    Event trigger(false);
    Listener listener;
    WorkerThread worker;
    ASSERT_TRUE(worker.resume());
    ASSERT_TRUE(worker.registerHandle(&trigger, bind(listener)));
    worker.stop();
    worker.stop();
    EXPECT_FALSE(worker.isRunning());
    // The registration posted to the running thread survives the stop.
    trigger.set();
    ASSERT_TRUE(worker.resume());
    ASSERT_TRUE(listener.called.wait(kInfinite));
    EXPECT_EQ(listener.calls.load(), 1);
}

}  // namespace
}  // namespace qmt
