// The hand-off between buffer switches and graph cycles, with the graph on a thread of its own
// as PipeWire's data thread is.

#include "asiopipewire/GraphCycleBridge.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "asio/Int24.h"

namespace qmt {
namespace {

// Runs each started cycle on its own thread: output channel c gets input channel c, halved.
// While `hold` is set, cycles wait until release() lets them finish.
class ThreadedGraph final : public GraphCycleIf {
  public:
    explicit ThreadedGraph(GraphCycleBridge*& bridge)
        : bridge_(bridge), worker_([this] { run(); }) {}
    ~ThreadedGraph() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        worker_.join();
    }

    bool startCycle(uint32_t, int64_t, uint64_t cycle) override {
        std::lock_guard lock(mutex_);
        ++started_;
        if (refuse_) return false;
        pending_.push_back(cycle);
        wake_.notify_all();
        return true;
    }
    void setHold(bool hold) {
        std::lock_guard lock(mutex_);
        hold_ = hold;
        wake_.notify_all();
    }
    void setRefuse(bool refuse) {
        std::lock_guard lock(mutex_);
        refuse_ = refuse;
    }
    int started() {
        std::lock_guard lock(mutex_);
        return started_;
    }
    // Waits until no cycle is left to run.
    void drain() {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return pending_.empty() && !busy_; });
    }

  private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || (!pending_.empty() && !hold_); });
            if (stopping_) return;
            const uint64_t cycle = pending_.front();
            pending_.pop_front();
            busy_ = true;
            lock.unlock();
            GraphCycleBridge& bridge = *bridge_;
            for (int channel = 0; channel < kBridgeChannels; ++channel) {
                const float* in = bridge.captureChannel(channel);
                float* out = bridge.playbackChannel(channel);
                for (uint32_t i = 0; i < bridge.frames(); ++i)
                    out[i] = in[i] * 0.5f;
            }
            bridge.cycleDone(cycle);
            lock.lock();
            busy_ = false;
            idle_.notify_all();
        }
    }

    GraphCycleBridge*& bridge_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<uint64_t> pending_;
    bool hold_ = false;
    bool refuse_ = false;
    bool busy_ = false;
    bool stopping_ = false;
    int started_ = 0;
    std::thread worker_;
};

constexpr uint32_t kFrames = 32;

class GraphCycleBridgeTest : public ::testing::Test {
  protected:
    GraphCycleBridgeTest() : graph_(bridgePointer_), bridge_(graph_, clock_) {
        bridgePointer_ = &bridge_;
        AsioBufferLayout layout;
        layout.frames = kFrames;
        layout.rate = 48000;
        layout.inputs[0] = {{in16_[0], in16_[1]}, 16};
        layout.inputs[1] = {{in24_[0], in24_[1]}, 24};
        layout.outputs[0] = {{out32_[0], out32_[1]}, 32};
        layout.outputs[1] = {{out16_[0], out16_[1]}, 16};
        bridge_.configure(layout);
        // The wait for a cycle runs on the real clock: a period's share of 0.667 ms is
        // missed whenever the test machine is busy. Cycles are in time unless a test holds
        // them; the tests of late cycles set a short deadline of their own.
        bridge_.setDeadline(std::chrono::seconds(10));
        bridge_.setGraphRunning(true);
    }

    void fillInputs(int half, int16_t base) {
        for (uint32_t i = 0; i < kFrames; ++i) {
            in16_[half][i] = static_cast<int16_t>(base + 2 * static_cast<int16_t>(i));
            in24_[half][i] = Int24(-4'000'000 + 2 * static_cast<int32_t>(i));
        }
    }
    void dirtyOutputs(int half) {
        for (uint32_t i = 0; i < kFrames; ++i) {
            out32_[half][i] = 12345;
            out16_[half][i] = 77;
        }
    }
    bool outputsSilent(int half) {
        for (uint32_t i = 0; i < kFrames; ++i)
            if (out32_[half][i] != 0 || out16_[half][i] != 0) return false;
        return true;
    }

    ManualClock clock_;
    GraphCycleBridge* bridgePointer_ = nullptr;
    ThreadedGraph graph_;
    GraphCycleBridge bridge_;
    int16_t in16_[2][kFrames]{};
    Int24 in24_[2][kFrames]{};
    int32_t out32_[2][kFrames]{};
    int16_t out16_[2][kFrames]{};
};

TEST_F(GraphCycleBridgeTest, EachSwitchRunsOneCycleWhoseOutputsReachTheSameHalf) {
    for (int round = 0; round < 20; ++round) {
        const int half = round % 2;
        fillInputs(half, static_cast<int16_t>(1000 * round - 9000));
        dirtyOutputs(half);
        bridge_.bufferSwitch(half);
        for (uint32_t i = 0; i < kFrames; ++i) {
            // Input 1 (16-bit) halved arrives on the 32-bit output exactly; input 2 (24-bit)
            // halved arrives on the 16-bit output, rounded to 16 bits.
            const int32_t in16 = in16_[half][i];
            ASSERT_EQ(out32_[half][i], in16 * 65536 / 2) << "round " << round << " frame " << i;
            const int32_t in24 = static_cast<int32_t>(in24_[half][i]);
            ASSERT_NEAR(out16_[half][i], in24 / 2 / 256.0, 0.5);
        }
    }
    const BridgeStatistics statistics = bridge_.statistics();
    EXPECT_EQ(statistics.switches, 20u);
    EXPECT_EQ(statistics.cycles, 20u);
    EXPECT_EQ(statistics.xruns, 0u);
    EXPECT_EQ(graph_.started(), 20);
}

TEST_F(GraphCycleBridgeTest, ALateCycleIsAnXrunAndNoCycleStartsBeforeItEnds) {
    bridge_.setDeadline(std::chrono::milliseconds(1));
    graph_.setHold(true);
    dirtyOutputs(0);
    bridge_.bufferSwitch(0);
    EXPECT_TRUE(outputsSilent(0)) << "the cards play silence for the missed buffer";
    dirtyOutputs(1);
    bridge_.bufferSwitch(1);
    EXPECT_TRUE(outputsSilent(1));
    EXPECT_EQ(graph_.started(), 1) << "the graph never runs two cycles at once";
    EXPECT_EQ(bridge_.statistics().xruns, 2u);

    graph_.setHold(false);
    graph_.drain();
    bridge_.setDeadline(std::chrono::seconds(10));
    fillInputs(0, 200);
    bridge_.bufferSwitch(0);
    EXPECT_EQ(graph_.started(), 2);
    EXPECT_EQ(out32_[0][0], 200 * 65536 / 2) << "the late cycle's end does not end the next one";
    EXPECT_EQ(bridge_.statistics().cycles, 1u);
}

TEST_F(GraphCycleBridgeTest, ACycleThatNeverEndsIsGivenUpAndItsLateEndIgnored) {
    bridge_.setDeadline(std::chrono::milliseconds(1));
    graph_.setHold(true);
    bridge_.bufferSwitch(0);
    // Eight periods of 0.667 ms later (the clock counts in 100 ns) the graph is thought stuck.
    clock_.advance(7 * 6'667);
    bridge_.bufferSwitch(1);
    EXPECT_EQ(graph_.started(), 1);
    clock_.advance(2 * 6'667);
    bridge_.bufferSwitch(0);
    EXPECT_EQ(graph_.started(), 2) << "a new cycle after the stuck one was given up";
    EXPECT_EQ(bridge_.statistics().xruns, 3u);

    // The stuck cycle ending now does not count as the end of the new one.
    graph_.setHold(false);
    graph_.drain();
    bridge_.setDeadline(std::chrono::seconds(10));
    bridge_.bufferSwitch(1);
    EXPECT_EQ(graph_.started(), 3);
    EXPECT_EQ(bridge_.statistics().cycles, 1u);
}

TEST_F(GraphCycleBridgeTest, WithoutARunningGraphTheCardsPlaySilence) {
    bridge_.setGraphRunning(false);
    dirtyOutputs(0);
    bridge_.bufferSwitch(0);
    EXPECT_TRUE(outputsSilent(0));
    EXPECT_EQ(graph_.started(), 0);

    bridge_.setGraphRunning(true);
    graph_.setRefuse(true);
    dirtyOutputs(1);
    bridge_.bufferSwitch(1);
    EXPECT_TRUE(outputsSilent(1));
    const BridgeStatistics statistics = bridge_.statistics();
    EXPECT_EQ(statistics.undriven, 1u);
    EXPECT_EQ(statistics.xruns, 0u);

    // A refused cycle leaves nothing outstanding: the next one runs.
    graph_.setRefuse(false);
    bridge_.bufferSwitch(0);
    EXPECT_EQ(bridge_.statistics().cycles, 1u);
}

TEST_F(GraphCycleBridgeTest, ASwitchMoreThanHalfAPeriodLateIsCounted) {
    // 32 frames at 48 kHz: 0.667 ms a period; the clock counts in 100 ns.
    bridge_.bufferSwitch(0);
    clock_.advance(6'667);
    bridge_.bufferSwitch(1);
    clock_.advance(11'000);
    bridge_.bufferSwitch(0);
    EXPECT_EQ(bridge_.statistics().lateSwitches, 1u);
}

}  // namespace
}  // namespace qmt
