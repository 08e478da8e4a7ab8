#pragma once
// The driver's device on the desktop's audio graph: one source node with its 16 inputs and
// one sink node with its 16 outputs, both named after the driver. The source node drives the
// graph: each buffer switch starts exactly one graph cycle (startCycle), so the controllers'
// cards are the graph's clock; the sink is scheduled in the same cycles (one node group).
//
// Threads and ownership:
// - a PipeWire thread loop (created here) runs the nodes' control; every public function but
//   startCycle() is called from the control thread and takes the loop's lock;
// - PipeWire's data thread runs the nodes' process callbacks; they touch the bridge's
//   channel blocks only inside a cycle the bridge started, and end it with cycleDone();
// - startCycle() comes from the driver's streaming thread and only signals an event on the
//   data thread: it never blocks and never takes a lock.

#include <pipewire/pipewire.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "asiopipewire/GraphCycleBridge.h"
#include "asiopipewire/GraphCycleIf.h"

namespace qmt {

struct PwNodeSettings {
    std::string description;  // shown to users: the driver's name
    uint32_t rate = 48000;
    uint32_t frames = 0;                  // the driver's buffer size: the graph's quantum
    std::vector<std::string> inputNames;  // 16 each, as the driver names its channels
    std::vector<std::string> outputNames;
};

struct PwNodeStatistics {
    uint64_t sourceCycles = 0;  // cycles in which the source delivered the inputs
    uint64_t sinkCycles = 0;    // cycles in which the sink took the outputs
    std::string sourceState;
    std::string sinkState;
};

class PwDeviceNodes final : public GraphCycleIf {
  public:
    PwDeviceNodes() = default;
    ~PwDeviceNodes() override;
    PwDeviceNodes(const PwDeviceNodes&) = delete;
    PwDeviceNodes& operator=(const PwDeviceNodes&) = delete;

    // Connects to the desktop's PipeWire and offers both nodes, whose cycles go through
    // `bridge`. False with the reason.
    bool open(const PwNodeSettings& settings, GraphCycleBridge& bridge, std::string& error);
    void close();
    // A new buffer size after the driver was reset: the graph's quantum follows it.
    void setQuantum(uint32_t frames);
    // The connection to PipeWire broke (the daemon quit): the front end has to stop.
    bool failed() const { return failed_.load(); }
    std::string failure() const;
    PwNodeStatistics statistics();

    bool startCycle(uint32_t frames, int64_t nsec, uint64_t cycle) override;

  private:
    struct Node;
    bool connectNode(Node& node, bool source, std::string& error);
    void updateClock();
    void fillSource();
    void drainSink();
    void onTrigger();
    static void onTriggerEvent(void* data, uint64_t count);
    static void onProcessSource(void* data);
    static void onProcessSink(void* data);
    static void onTriggerDone(void* data);
    static void onIoChanged(void* data, uint32_t id, void* area, uint32_t size);
    static void onStateChanged(void* data, pw_stream_state old, pw_stream_state state,
                               const char* error);
    static void onCoreError(void* data, uint32_t id, int seq, int res, const char* message);
    static int addTriggerSource(spa_loop* loop, bool async, uint32_t seq, const void* data,
                                size_t size, void* user);

    GraphCycleBridge* bridge_ = nullptr;
    PwNodeSettings settings_;
    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    spa_hook coreListener_{};
    pw_loop* dataLoop_ = nullptr;
    std::atomic<spa_source*> trigger_{nullptr};  // set on the data thread
    Node* source_ = nullptr;
    Node* sink_ = nullptr;

    // Written by startCycle() before it signals, read on the data thread after the signal.
    std::atomic<uint32_t> cycleFrames_{0};
    std::atomic<int64_t> cycleNsec_{0};
    std::atomic<uint64_t> cycle_{0};
    std::atomic<uint64_t> runningCycle_{0};  // the cycle the graph runs now, 0 if none
    spa_io_position* position_ = nullptr;    // the source's clock; data thread only

    std::atomic<bool> failed_{false};
    std::string failure_;  // under the loop's lock
    std::atomic<uint64_t> sourceCycles_{0};
    std::atomic<uint64_t> sinkCycles_{0};
};

}  // namespace qmt
