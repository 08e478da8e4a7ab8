#include "platform/linux/LinuxRealtimeScheduler.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <thread>

namespace qmt {
namespace {

// Whichever way this machine goes (root takes SCHED_FIFO itself, a desktop user gets it from
// rtkit, a container user gets neither), the answer must be true to the thread's policy,
// and a refusal must say why for both ways.
TEST(LinuxRealtimeSchedulerTest, AnswerMatchesTheThreadsSchedulingAndRefusalsSayWhy) {
    bool granted = false;
    int policy = -1;
    std::string refusal;
    std::thread thread([&] {
        LinuxRealtimeScheduler scheduler;
        granted = scheduler.makeCurrentThreadRealtime(refusal);
        sched_param parameters{};
        ::pthread_getschedparam(::pthread_self(), &policy, &parameters);
    });
    thread.join();
    if (granted) {
        EXPECT_EQ(policy & ~SCHED_RESET_ON_FORK, SCHED_FIFO);
    } else {
        EXPECT_EQ(policy, SCHED_OTHER);
        EXPECT_NE(refusal.find("SCHED_FIFO"), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("rtkit"), std::string::npos) << refusal;
    }
}

}  // namespace
}  // namespace qmt
