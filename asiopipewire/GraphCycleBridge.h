#pragma once
// The hand-off between the driver's buffer switches and the cycles of the desktop's audio
// graph. The controllers' cards are the graph's clock: each buffer switch hands the inputs
// to the graph, starts one graph cycle and waits, at most until a deadline inside the
// period, for the outputs the graph produced in that same cycle. Applications are therefore
// exactly one driver buffer away from the cards; nothing is buffered on the way.
//
// Threads:
// - the driver's streaming thread calls bufferSwitch();
// - the graph's thread touches captureChannel() and playbackChannel() only inside a cycle
//   the bridge started, and ends it with cycleDone();
// - the control thread calls configure() while the driver is stopped, setGraphRunning()
//   and statistics() at any time.
// A cycle that misses its deadline is an xrun: the cards play silence for that buffer, and
// no new cycle starts before the late one has ended, so the graph never runs two cycles at
// once and never sees its buffers change under it. A cycle that never ends (the graph was
// suspended or rebuilt while it ran) is given up after kAbandonPeriods, so the device does not
// stay silent for good.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <semaphore>
#include <vector>

#include "asiopipewire/GraphCycleIf.h"
#include "common/Clock.h"

namespace qmt {

inline constexpr int kBridgeChannels = 16;

struct AsioChannelBuffers {
    void* halves[2] = {nullptr, nullptr};
    uint32_t bits = 0;  // 0: no buffer, the channel carries silence
};

struct AsioBufferLayout {
    uint32_t frames = 0;
    double rate = 0;
    std::array<AsioChannelBuffers, kBridgeChannels> inputs{};
    std::array<AsioChannelBuffers, kBridgeChannels> outputs{};
};

struct BridgeStatistics {
    uint64_t switches = 0;      // buffer switches seen
    uint64_t cycles = 0;        // graph cycles that ended in time
    uint64_t xruns = 0;         // cycles past their deadline, and switches skipped for them
    uint64_t undriven = 0;      // switches while the graph could not be started from here
    uint64_t lateSwitches = 0;  // switches that came more than half a period late
    // From a switch to the end of its cycle in the graph (cycles that ended in time).
    uint64_t turnaroundTotalNs = 0;
    uint64_t turnaroundMaxNs = 0;
};

class GraphCycleBridge {
  public:
    // `clock` stamps the switches (nanoseconds on the monotonic clock in real use).
    GraphCycleBridge(GraphCycleIf& graph, PerformanceCounterIf& clock);

    void configure(const AsioBufferLayout& layout);
    // How long a switch waits for its cycle; by default this share of the period.
    static constexpr double kDeadlineShare = 0.8;
    static constexpr int kAbandonPeriods = 8;
    void setDeadline(std::chrono::nanoseconds deadline);
    void setGraphRunning(bool running);
    bool graphRunning() const { return running_.load(std::memory_order_acquire); }

    void bufferSwitch(int32_t half);

    const float* captureChannel(int channel) const;
    float* playbackChannel(int channel);
    uint32_t frames() const { return frames_; }
    void cycleDone(uint64_t cycle);

    BridgeStatistics statistics() const;

  private:
    bool waitForLateCycle(std::chrono::nanoseconds limit);
    bool lateCycleStillRunning(int64_t now);
    int64_t nowNs();
    void noteSchedule(int64_t now);
    void noteTurnaround(int64_t ns);
    void readInputs(int32_t half);
    void writeOutputs(int32_t half);
    void silenceOutputs(int32_t half);

    GraphCycleIf& graph_;
    PerformanceCounterIf& clock_;
    AsioBufferLayout layout_;
    uint32_t frames_ = 0;
    std::vector<float> capture_;   // kBridgeChannels × capacity
    std::vector<float> playback_;  // kBridgeChannels × capacity
    size_t capacity_ = 0;
    std::chrono::nanoseconds deadline_{0};
    int64_t periodNs_ = 0;
    int64_t lastSwitchNs_ = -1;
    int64_t outstandingSinceNs_ = 0;  // streaming thread only

    std::atomic<bool> running_{false};
    std::atomic<uint64_t> cycle_{0};
    std::atomic<bool> outstanding_{false};
    std::binary_semaphore done_{0};

    std::atomic<uint64_t> switches_{0};
    std::atomic<uint64_t> cycles_{0};
    std::atomic<uint64_t> xruns_{0};
    std::atomic<uint64_t> undriven_{0};
    std::atomic<uint64_t> lateSwitches_{0};
    std::atomic<uint64_t> turnaroundTotalNs_{0};
    std::atomic<uint64_t> turnaroundMaxNs_{0};
};

}  // namespace qmt
