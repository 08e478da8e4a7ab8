#include "asiopipewire/pw/PwDeviceNodes.h"

#include <spa/param/audio/format-utils.h>
#include <spa/pod/builder.h>
#include <spa/utils/result.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qmt {

namespace {

// Both nodes are scheduled by the same driver: ours.
constexpr const char* kNodeGroup = "qmt-asio";
// Above any card PipeWire drives itself (its ALSA nodes use up to about 2000), so a
// program linked to both our device and a card is clocked by the controllers.
constexpr const char* kDriverPriority = "30000";

}  // namespace

struct PwDeviceNodes::Node {
    PwDeviceNodes* owner = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener{};
    pw_stream_events events{};
    std::atomic<int> state{PW_STREAM_STATE_UNCONNECTED};
};

PwDeviceNodes::~PwDeviceNodes() {
    close();
}

bool PwDeviceNodes::open(const PwNodeSettings& settings, GraphCycleBridge& bridge,
                         std::string& error) {
    close();
    settings_ = settings;
    bridge_ = &bridge;
    failed_ = false;
    loop_ = pw_thread_loop_new("qmtasio-pipewire", nullptr);
    // The real-time client configuration gives the data thread its real-time priority.
    context_ = pw_context_new(pw_thread_loop_get_loop(loop_),
                              pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
    if (context_ == nullptr) {
        error = std::string("cannot set up PipeWire: ") + std::strerror(errno);
        close();
        return false;
    }
    if (pw_thread_loop_start(loop_) < 0) {
        error = "cannot start PipeWire's thread";
        close();
        return false;
    }
    pw_thread_loop_lock(loop_);
    core_ = pw_context_connect(context_, nullptr, 0);
    if (core_ == nullptr) {
        error = std::string("cannot connect to PipeWire (") + std::strerror(errno) +
                "); is the desktop's PipeWire running for this user?";
        pw_thread_loop_unlock(loop_);
        close();
        return false;
    }
    static const pw_core_events coreEvents = [] {
        pw_core_events events{};
        events.version = PW_VERSION_CORE_EVENTS;
        events.error = &PwDeviceNodes::onCoreError;
        return events;
    }();
    pw_core_add_listener(core_, &coreListener_, &coreEvents, this);
    dataLoop_ = pw_data_loop_get_loop(pw_context_get_data_loop(context_));
    // Added on the data thread itself, the only one that may change its sources.
    pw_loop_invoke(dataLoop_, &PwDeviceNodes::addTriggerSource, 0, nullptr, 0, false, this);
    source_ = new Node;
    sink_ = new Node;
    const bool connected = connectNode(*source_, true, error) && connectNode(*sink_, false, error);
    pw_thread_loop_unlock(loop_);
    if (!connected) close();
    return connected;
}

int PwDeviceNodes::addTriggerSource(spa_loop*, bool, uint32_t, const void*, size_t, void* user) {
    auto* self = static_cast<PwDeviceNodes*>(user);
    self->trigger_.store(pw_loop_add_event(self->dataLoop_, &PwDeviceNodes::onTriggerEvent, self),
                         std::memory_order_release);
    return 0;
}

bool PwDeviceNodes::connectNode(Node& node, bool source, std::string& error) {
    node.owner = this;
    const std::string latency =
        std::to_string(settings_.frames) + "/" + std::to_string(settings_.rate);
    pw_properties* props = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, source ? "Capture" : "Playback",
        PW_KEY_MEDIA_ROLE, "Production", PW_KEY_MEDIA_CLASS, source ? "Audio/Source" : "Audio/Sink",
        PW_KEY_NODE_NAME, source ? "qmt_asio.capture" : "qmt_asio.playback",
        PW_KEY_NODE_DESCRIPTION, settings_.description.c_str(), PW_KEY_NODE_NICK,
        settings_.description.c_str(), PW_KEY_NODE_GROUP, kNodeGroup, PW_KEY_NODE_LATENCY,
        latency.c_str(), PW_KEY_NODE_RATE, ("1/" + std::to_string(settings_.rate)).c_str(),
        "node.force-quantum", std::to_string(settings_.frames).c_str(), "node.force-rate",
        std::to_string(settings_.rate).c_str(), PW_KEY_NODE_ALWAYS_PROCESS, "true",
        PW_KEY_PRIORITY_DRIVER, kDriverPriority, "node.pause-on-idle", "false", nullptr);
    // The channel names the driver gives, for tools that show them.
    std::string names;
    for (const std::string& name : source ? settings_.inputNames : settings_.outputNames)
        names += (names.empty() ? "" : ",") + name;
    pw_properties_set(props, "qmt.channel-names", names.c_str());
    // One port per channel at once, as a card's nodes have, so programs (and pw-link) can
    // connect without a session manager configuring the ports first.
    pw_properties_set(props, "adapter.auto-port-config",
                      "{ mode = dsp monitor = false control = false position = preserve }");
    node.events.version = PW_VERSION_STREAM_EVENTS;
    node.events.state_changed = &PwDeviceNodes::onStateChanged;
    if (source) {
        node.events.process = &PwDeviceNodes::onProcessSource;
        node.events.io_changed = &PwDeviceNodes::onIoChanged;
        node.events.trigger_done = &PwDeviceNodes::onTriggerDone;
    } else {
        node.events.process = &PwDeviceNodes::onProcessSink;
    }
    node.stream = pw_stream_new(core_, source ? "QMT ASIO capture" : "QMT ASIO playback", props);
    if (node.stream == nullptr) {
        error = std::string("cannot create a PipeWire node: ") + std::strerror(errno);
        return false;
    }
    pw_stream_add_listener(node.stream, &node.listener, &node.events, &node);

    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32P;
    info.rate = settings_.rate;
    info.channels = kBridgeChannels;
    for (int channel = 0; channel < kBridgeChannels; ++channel)
        info.position[channel] = SPA_AUDIO_CHANNEL_AUX0 + static_cast<uint32_t>(channel);
    uint8_t buffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* params[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
    const auto flags =
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS |
                                     (source ? PW_STREAM_FLAG_DRIVER : PW_STREAM_FLAG_NONE));
    const int result =
        pw_stream_connect(node.stream, source ? PW_DIRECTION_OUTPUT : PW_DIRECTION_INPUT, PW_ID_ANY,
                          flags, params, 1);
    if (result < 0) {
        error = std::string("cannot offer the PipeWire node: ") + spa_strerror(result);
        return false;
    }
    return true;
}

void PwDeviceNodes::close() {
    if (loop_ != nullptr) {
        pw_thread_loop_lock(loop_);
        // The trigger goes first: a signal still pending must not reach a destroyed stream.
        if (trigger_ != nullptr) {
            pw_loop_invoke(
                dataLoop_,
                [](spa_loop*, bool, uint32_t, const void*, size_t, void* user) {
                    auto* self = static_cast<PwDeviceNodes*>(user);
                    pw_loop_destroy_source(self->dataLoop_, self->trigger_.load());
                    return 0;
                },
                0, nullptr, 0, true, this);
            trigger_ = nullptr;
        }
        for (Node* node : {source_, sink_}) {
            if (node != nullptr && node->stream != nullptr) pw_stream_destroy(node->stream);
        }
        if (core_ != nullptr) {
            spa_hook_remove(&coreListener_);
            pw_core_disconnect(core_);
        }
        pw_thread_loop_unlock(loop_);
        pw_thread_loop_stop(loop_);
    }
    delete source_;
    delete sink_;
    source_ = sink_ = nullptr;
    core_ = nullptr;
    if (context_ != nullptr) pw_context_destroy(context_);
    context_ = nullptr;
    if (loop_ != nullptr) pw_thread_loop_destroy(loop_);
    loop_ = nullptr;
    dataLoop_ = nullptr;
    position_ = nullptr;
    runningCycle_ = 0;
}

void PwDeviceNodes::setQuantum(uint32_t frames) {
    if (loop_ == nullptr) return;
    settings_.frames = frames;
    const std::string quantum = std::to_string(frames);
    const std::string latency = quantum + "/" + std::to_string(settings_.rate);
    const spa_dict_item items[] = {{"node.force-quantum", quantum.c_str()},
                                   {PW_KEY_NODE_LATENCY, latency.c_str()}};
    const spa_dict dict = SPA_DICT_INIT_ARRAY(items);
    pw_thread_loop_lock(loop_);
    for (Node* node : {source_, sink_})
        pw_stream_update_properties(node->stream, &dict);
    pw_thread_loop_unlock(loop_);
}

std::string PwDeviceNodes::failure() const {
    if (loop_ == nullptr) return failure_;
    pw_thread_loop_lock(loop_);
    std::string copy = failure_;
    pw_thread_loop_unlock(loop_);
    return copy;
}

PwNodeStatistics PwDeviceNodes::statistics() {
    PwNodeStatistics statistics;
    statistics.sourceCycles = sourceCycles_.load(std::memory_order_relaxed);
    statistics.sinkCycles = sinkCycles_.load(std::memory_order_relaxed);
    const auto stateText = [](Node* node) {
        return node == nullptr
                   ? "closed"
                   : pw_stream_state_as_string(static_cast<pw_stream_state>(node->state.load()));
    };
    statistics.sourceState = stateText(source_);
    statistics.sinkState = stateText(sink_);
    return statistics;
}

bool PwDeviceNodes::startCycle(uint32_t frames, int64_t nsec, uint64_t cycle) {
    spa_source* trigger = trigger_.load(std::memory_order_acquire);
    if (trigger == nullptr || source_ == nullptr ||
        source_->state.load(std::memory_order_acquire) != PW_STREAM_STATE_STREAMING) {
        return false;
    }
    cycleFrames_.store(frames, std::memory_order_relaxed);
    cycleNsec_.store(nsec, std::memory_order_relaxed);
    cycle_.store(cycle, std::memory_order_release);
    pw_loop_signal_event(dataLoop_, trigger);
    return true;
}

void PwDeviceNodes::onTriggerEvent(void* data, uint64_t) {
    static_cast<PwDeviceNodes*>(data)->onTrigger();
}

void PwDeviceNodes::onTrigger() {
    const uint64_t cycle = cycle_.load(std::memory_order_acquire);
    if (cycle == 0 || runningCycle_.load(std::memory_order_acquire) == cycle) return;
    runningCycle_.store(cycle, std::memory_order_release);
    updateClock();
    if (pw_stream_trigger_process(source_->stream) < 0) {
        // The graph cannot run now (the node is being reconfigured): the switch gives up at
        // its deadline and counts an xrun.
        runningCycle_.store(0, std::memory_order_release);
    }
}

void PwDeviceNodes::updateClock() {
    if (position_ == nullptr) return;
    // As a hardware driver does: the cycle's start on the monotonic clock, its length, and
    // where the next one is due.
    spa_io_clock& clock = position_->clock;
    const uint32_t frames = cycleFrames_.load(std::memory_order_relaxed);
    const auto nsec = static_cast<uint64_t>(cycleNsec_.load(std::memory_order_relaxed));
    clock.rate = SPA_FRACTION(1, settings_.rate);
    clock.position += clock.duration;
    clock.duration = frames;
    clock.nsec = nsec;
    clock.delay = 0;
    clock.rate_diff = 1.0;
    clock.next_nsec = nsec + static_cast<uint64_t>(frames) * SPA_NSEC_PER_SEC / settings_.rate;
}

void PwDeviceNodes::onIoChanged(void* data, uint32_t id, void* area, uint32_t size) {
    auto* self = static_cast<Node*>(data)->owner;
    if (id == SPA_IO_Position)
        self->position_ =
            size >= sizeof(spa_io_position) ? static_cast<spa_io_position*>(area) : nullptr;
}

void PwDeviceNodes::onProcessSource(void* data) {
    static_cast<Node*>(data)->owner->fillSource();
}

void PwDeviceNodes::fillSource() {
    pw_buffer* buffer = pw_stream_dequeue_buffer(source_->stream);
    if (buffer == nullptr) return;
    const bool inCycle = runningCycle_.load(std::memory_order_acquire) != 0;
    const uint32_t frames = bridge_->frames();
    spa_buffer* spa = buffer->buffer;
    for (uint32_t channel = 0; channel < spa->n_datas; ++channel) {
        spa_data& plane = spa->datas[channel];
        if (plane.data == nullptr) continue;
        const uint32_t count = std::min<uint32_t>(frames, plane.maxsize / sizeof(float));
        auto* target = static_cast<float*>(plane.data);
        if (inCycle && channel < static_cast<uint32_t>(kBridgeChannels)) {
            std::copy_n(bridge_->captureChannel(static_cast<int>(channel)), count, target);
        } else {
            std::fill_n(target, count, 0.0f);
        }
        plane.chunk->offset = 0;
        plane.chunk->stride = sizeof(float);
        plane.chunk->size = count * sizeof(float);
    }
    pw_stream_queue_buffer(source_->stream, buffer);
    if (inCycle) sourceCycles_.fetch_add(1, std::memory_order_relaxed);
}

void PwDeviceNodes::onProcessSink(void* data) {
    static_cast<Node*>(data)->owner->drainSink();
}

void PwDeviceNodes::drainSink() {
    pw_buffer* buffer = pw_stream_dequeue_buffer(sink_->stream);
    if (buffer == nullptr) return;
    // Outside a cycle of ours (the node is being moved between drivers) the data has no
    // switch to go to.
    if (runningCycle_.load(std::memory_order_acquire) != 0) {
        const uint32_t frames = bridge_->frames();
        spa_buffer* spa = buffer->buffer;
        const uint32_t planes = std::min<uint32_t>(spa->n_datas, kBridgeChannels);
        for (uint32_t channel = 0; channel < planes; ++channel) {
            const spa_data& plane = spa->datas[channel];
            float* target = bridge_->playbackChannel(static_cast<int>(channel));
            uint32_t count = 0;
            if (plane.data != nullptr) {
                const uint32_t offset = std::min(plane.chunk->offset, plane.maxsize);
                count = std::min<uint32_t>(
                    std::min(plane.chunk->size, plane.maxsize - offset) / sizeof(float), frames);
                std::copy_n(reinterpret_cast<const float*>(static_cast<const uint8_t*>(plane.data) +
                                                           offset),
                            count, target);
            }
            std::fill(target + count, target + frames, 0.0f);
        }
        sinkCycles_.fetch_add(1, std::memory_order_relaxed);
    }
    pw_stream_queue_buffer(sink_->stream, buffer);
}

void PwDeviceNodes::onTriggerDone(void* data) {
    auto* self = static_cast<Node*>(data)->owner;
    const uint64_t cycle = self->runningCycle_.exchange(0, std::memory_order_acq_rel);
    if (cycle != 0) self->bridge_->cycleDone(cycle);
}

void PwDeviceNodes::onStateChanged(void* data, pw_stream_state, pw_stream_state state,
                                   const char* error) {
    auto* node = static_cast<Node*>(data);
    node->state.store(state, std::memory_order_release);
    if (state == PW_STREAM_STATE_ERROR) {
        node->owner->failure_ = std::string("PipeWire stopped the node: ") +
                                (error != nullptr ? error : "no reason given");
        node->owner->failed_ = true;
    }
}

void PwDeviceNodes::onCoreError(void* data, uint32_t id, int, int res, const char* message) {
    auto* self = static_cast<PwDeviceNodes*>(data);
    // Only the connection itself failing ends the front end; errors about single objects
    // reach the nodes' own state.
    if (id != PW_ID_CORE) return;
    self->failure_ = std::string("lost the connection to PipeWire: ") +
                     (message != nullptr ? message : spa_strerror(res));
    self->failed_ = true;
}

}  // namespace qmt
