#include "asiopipewire/GraphCycleBridge.h"

#include <algorithm>

#include "asiohost/AsioFloatBlocks.h"

namespace qmt {

namespace {

// How long a reconfiguration waits for a cycle that is still running in the graph before it
// replaces the buffers that cycle may be using.
constexpr std::chrono::seconds kLateCycleLimit{1};

}  // namespace

GraphCycleBridge::GraphCycleBridge(GraphCycleIf& graph, PerformanceCounterIf& clock)
    : graph_(graph), clock_(clock) {}

void GraphCycleBridge::configure(const AsioBufferLayout& layout) {
    if (layout.frames > capacity_) {
        // The graph may still read the old buffers in a cycle that ended late.
        waitForLateCycle(kLateCycleLimit);
        capacity_ = layout.frames;
        capture_.assign(kBridgeChannels * capacity_, 0.0f);
        playback_.assign(kBridgeChannels * capacity_, 0.0f);
    }
    layout_ = layout;
    frames_ = layout.frames;
    periodNs_ = layout.rate > 0 ? static_cast<int64_t>(layout.frames * 1e9 / layout.rate) : 0;
    deadline_ = std::chrono::nanoseconds(static_cast<int64_t>(periodNs_ * kDeadlineShare));
    lastSwitchNs_ = -1;
}

void GraphCycleBridge::setDeadline(std::chrono::nanoseconds deadline) {
    deadline_ = deadline;
}

void GraphCycleBridge::setGraphRunning(bool running) {
    running_.store(running, std::memory_order_release);
}

void GraphCycleBridge::bufferSwitch(int32_t half) {
    const int64_t now = nowNs();
    noteSchedule(now);
    switches_.fetch_add(1, std::memory_order_relaxed);
    if (!graphRunning()) {
        silenceOutputs(half);
        return;
    }
    if (lateCycleStillRunning(now)) {
        // The previous cycle is still running: this buffer is lost to it.
        xruns_.fetch_add(1, std::memory_order_relaxed);
        silenceOutputs(half);
        return;
    }
    // A cycle that ended after its deadline left its completion behind.
    (void)done_.try_acquire();
    readInputs(half);
    std::fill(playback_.begin(), playback_.end(), 0.0f);
    const uint64_t cycle = cycle_.fetch_add(1, std::memory_order_acq_rel) + 1;
    outstanding_.store(true, std::memory_order_release);
    outstandingSinceNs_ = now;
    if (!graph_.startCycle(frames_, now, cycle)) {
        outstanding_.store(false, std::memory_order_release);
        undriven_.fetch_add(1, std::memory_order_relaxed);
        silenceOutputs(half);
        return;
    }
    if (done_.try_acquire_for(deadline_)) {
        noteTurnaround(nowNs() - now);
        writeOutputs(half);
        cycles_.fetch_add(1, std::memory_order_relaxed);
    } else {
        xruns_.fetch_add(1, std::memory_order_relaxed);
        silenceOutputs(half);
    }
}

const float* GraphCycleBridge::captureChannel(int channel) const {
    return capture_.data() + static_cast<size_t>(channel) * capacity_;
}

float* GraphCycleBridge::playbackChannel(int channel) {
    return playback_.data() + static_cast<size_t>(channel) * capacity_;
}

void GraphCycleBridge::cycleDone(uint64_t cycle) {
    // Only the cycle the switch is waiting for (or the late one it gave up on) may end.
    if (cycle != cycle_.load(std::memory_order_acquire)) return;
    if (outstanding_.exchange(false, std::memory_order_acq_rel)) done_.release();
}

BridgeStatistics GraphCycleBridge::statistics() const {
    BridgeStatistics statistics;
    statistics.switches = switches_.load(std::memory_order_relaxed);
    statistics.cycles = cycles_.load(std::memory_order_relaxed);
    statistics.xruns = xruns_.load(std::memory_order_relaxed);
    statistics.undriven = undriven_.load(std::memory_order_relaxed);
    statistics.lateSwitches = lateSwitches_.load(std::memory_order_relaxed);
    statistics.turnaroundTotalNs = turnaroundTotalNs_.load(std::memory_order_relaxed);
    statistics.turnaroundMaxNs = turnaroundMaxNs_.load(std::memory_order_relaxed);
    return statistics;
}

bool GraphCycleBridge::lateCycleStillRunning(int64_t now) {
    if (!outstanding_.load(std::memory_order_acquire)) return false;
    if (periodNs_ <= 0 || now - outstandingSinceNs_ < kAbandonPeriods * periodNs_) return true;
    // Given up: a new number makes the old cycle's end, should it still come, ignored.
    cycle_.fetch_add(1, std::memory_order_acq_rel);
    outstanding_.store(false, std::memory_order_release);
    return false;
}

bool GraphCycleBridge::waitForLateCycle(std::chrono::nanoseconds limit) {
    if (!outstanding_.load(std::memory_order_acquire)) return true;
    if (done_.try_acquire_for(limit)) return true;
    outstanding_.store(false, std::memory_order_release);
    return false;
}

int64_t GraphCycleBridge::nowNs() {
    const int64_t frequency = clock_.frequency();
    const int64_t counter = clock_.counter();
    if (frequency == 1'000'000'000) return counter;
    return static_cast<int64_t>(static_cast<long double>(counter) * 1e9L / frequency);
}

void GraphCycleBridge::noteSchedule(int64_t now) {
    // A switch more than half a period behind the one before it means the driver missed a
    // half (or the system held it back): counted, the schedule continues from now.
    if (lastSwitchNs_ >= 0 && periodNs_ > 0 && now - lastSwitchNs_ > periodNs_ + periodNs_ / 2) {
        lateSwitches_.fetch_add(1, std::memory_order_relaxed);
    }
    lastSwitchNs_ = now;
}

void GraphCycleBridge::noteTurnaround(int64_t ns) {
    // Only the streaming thread writes these; others only read.
    const auto value = static_cast<uint64_t>(std::max<int64_t>(ns, 0));
    turnaroundTotalNs_.fetch_add(value, std::memory_order_relaxed);
    if (value > turnaroundMaxNs_.load(std::memory_order_relaxed))
        turnaroundMaxNs_.store(value, std::memory_order_relaxed);
}

void GraphCycleBridge::readInputs(int32_t half) {
    for (int channel = 0; channel < kBridgeChannels; ++channel) {
        const AsioChannelBuffers& input = layout_.inputs[channel];
        float* target = capture_.data() + static_cast<size_t>(channel) * capacity_;
        if (input.bits == 0 || input.halves[half] == nullptr) {
            std::fill(target, target + frames_, 0.0f);
            continue;
        }
        asiohost::AsioToFloat(input.halves[half], input.bits, target, frames_);
    }
}

void GraphCycleBridge::writeOutputs(int32_t half) {
    for (int channel = 0; channel < kBridgeChannels; ++channel) {
        const AsioChannelBuffers& output = layout_.outputs[channel];
        if (output.bits == 0 || output.halves[half] == nullptr) continue;
        asiohost::FloatToAsio(playback_.data() + static_cast<size_t>(channel) * capacity_,
                              output.halves[half], output.bits, frames_);
    }
}

void GraphCycleBridge::silenceOutputs(int32_t half) {
    for (const AsioChannelBuffers& output : layout_.outputs) {
        if (output.bits != 0 && output.halves[half] != nullptr)
            asiohost::ClearAsio(output.halves[half], output.bits, frames_);
    }
}

}  // namespace qmt
