#include "common/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "common/Semaphore.h"

namespace qmt {
namespace {

TEST(EventTest, ManualResetStaysSetForEveryWaiterUntilReset) {
    Event event(true);
    EXPECT_FALSE(event.wait(0));
    event.set();
    EXPECT_TRUE(event.wait(0));
    EXPECT_TRUE(event.wait(0));
    EXPECT_TRUE(event.isSet());
    event.reset();
    EXPECT_FALSE(event.wait(0));
}

TEST(EventTest, AutoResetReleasesOneWaitAndResets) {
    Event event(false, true);
    EXPECT_TRUE(event.wait(0));
    EXPECT_FALSE(event.wait(0));
    event.set();
    event.set();  // setting twice still counts once
    EXPECT_TRUE(event.wait(0));
    EXPECT_FALSE(event.wait(0));
}

TEST(EventTest, TimedWaitRunsOutWhenNobodySets) {
    Event event(false);
    EXPECT_FALSE(event.wait(1));
    Waitable* list[] = {&event};
    EXPECT_EQ(Waitable::waitForAny(list, 1), kWaitTimeout);
    EXPECT_EQ(Waitable::waitForAny({}, 0), kWaitFailed);
}

TEST(EventTest, AutoResetWakesExactlyOneOfSeveralWaiters) {
    Event event(false);
    Event done(false);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            event.wait(kInfinite);
            ++woken;
            done.set();
        });
    }
    event.set();
    ASSERT_TRUE(done.wait(kInfinite));
    EXPECT_EQ(woken.load(), 1);
    EXPECT_FALSE(event.isSet());
    // Release the other two, one set each.
    event.set();
    ASSERT_TRUE(done.wait(kInfinite));
    event.set();
    ASSERT_TRUE(done.wait(kInfinite));
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(woken.load(), 3);
}

TEST(EventTest, ManualResetReleasesEveryWaiter) {
    Event gate(true);
    Semaphore arrived(0, 10);
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            gate.wait(kInfinite);
            arrived.release();
        });
    }
    gate.set();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(arrived.count(), 3u);
}

TEST(EventTest, WaitForAnyReturnsTheLowestSignalledIndexAndConsumesOnlyIt) {
    Event a(false), b(false), c(false);
    Waitable* list[] = {&a, &b, &c};
    c.set();
    b.set();
    EXPECT_EQ(Waitable::waitForAny(list, 0), 1);
    EXPECT_TRUE(c.isSet());
    EXPECT_EQ(Waitable::waitForAny(list, 0), 2);
    EXPECT_EQ(Waitable::waitForAny(list, 0), kWaitTimeout);
}

TEST(EventTest, WaitForAnyIsWokenByAnotherThreadsSet) {
    Event a(false), b(false);
    Waitable* list[] = {&a, &b};
    std::thread setter([&] { b.set(); });
    EXPECT_EQ(Waitable::waitForAny(list, kInfinite), 1);
    setter.join();
    EXPECT_FALSE(b.isSet());
}

}  // namespace
}  // namespace qmt
