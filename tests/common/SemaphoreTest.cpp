#include "common/Semaphore.h"

#include <gtest/gtest.h>

#include <thread>

#include "common/Event.h"

namespace qmt {
namespace {

TEST(SemaphoreTest, CountsWaitsAndRefusesToPassItsMaximum) {
    Semaphore s(1, 3);
    EXPECT_TRUE(s.wait(0));
    EXPECT_FALSE(s.wait(0));
    EXPECT_TRUE(s.release(2));
    EXPECT_FALSE(s.release(2));  // 4 > 3: nothing changes
    EXPECT_EQ(s.count(), 2u);
    EXPECT_TRUE(s.release());
    EXPECT_FALSE(s.release());
    EXPECT_FALSE(s.release(0));
    EXPECT_TRUE(s.wait(0));
    EXPECT_TRUE(s.wait(0));
    EXPECT_TRUE(s.wait(0));
    EXPECT_FALSE(s.wait(0));
    EXPECT_EQ(Semaphore(9, 2).count(), 2u);
}

TEST(SemaphoreTest, TakesPartInWaitForAnyBehindAnEvent) {
    Event quit(true);
    Semaphore s(0, 65535);
    Waitable* list[] = {&quit, &s};
    std::thread poster([&] { s.release(2); });
    EXPECT_EQ(Waitable::waitForAny(list, kInfinite), 1);
    poster.join();
    quit.set();
    // The lower index wins while both are signalled; the count stays for later.
    EXPECT_EQ(Waitable::waitForAny(list, 0), 0);
    EXPECT_EQ(s.count(), 1u);
}

}  // namespace
}  // namespace qmt
