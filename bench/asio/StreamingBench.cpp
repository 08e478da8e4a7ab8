// The streaming thread in real time over four simulated controllers whose sound cards run on
// the monotonic clock: the CPU share of the thread, the jitter of the buffer switches the
// host sees, halves that never came, and frames the cards played or lost for want of a
// request. QMT_BENCH_SECONDS sets the run's length (10 s by default; 600 for the ten-minute
// figure in the README).
//
//   16x16: four KRT4 in their 4-in/4-out mode, each on its own four inputs and outputs,
//          44.1 kHz, 16 bits (the second brand).
//   16out: KV5 and KV10 at 48 kHz, an ARDO and an ARDO RAW whose cards take only 44.1 kHz
//          (six channels each through the variable-rate converter), 24 bits (the maker's).
// Both at 48-frame buffers, about 1 ms.

#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "asio/AsioDeviceRegistry.h"
#include "asio/BrxAsioBrand.h"
#include "asio/CompositeKsAudioDevice.h"
#include "asio/QmtAsioBrand.h"
#include "common/ManualTimedWait.h"
#include "platform/FileRegistry.h"
#include "platform/RealtimeScheduler.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimSoundCardModels.h"
#include "tools/qmtasiohost/SwitchStatistics.h"

namespace qmt {
namespace {

constexpr int32_t kFrames = 48;

double benchSeconds() {
    const char* text = std::getenv("QMT_BENCH_SECONDS");
    const double seconds = text != nullptr ? std::atof(text) : 0;
    return seconds > 0 ? seconds : 10;
}

double threadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

uint64_t steadyNs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// What the host side of the bench keeps: timing from inside the switch, on the thread.
struct BenchHost {
    std::mutex mutex;
    asiohost::SwitchStatistics statistics;
    double firstCpu = -1;
    double lastCpu = 0;
    uint64_t firstNs = 0;
    uint64_t lastNs = 0;
    std::vector<ASIOBufferInfo> infos;
    uint32_t bits = 16;
};
BenchHost* host = nullptr;

void onSwitch(int32_t half, ASIOBool) {
    const double cpu = threadCpuSeconds();
    const uint64_t now = steadyNs();
    std::lock_guard lock(host->mutex);
    host->statistics.add(now, half);
    if (host->firstCpu < 0) {
        host->firstCpu = cpu;
        host->firstNs = now;
    }
    host->lastCpu = cpu;
    host->lastNs = now;
}

int32_t onMessage(int32_t, int32_t, void*, double*) {
    return 0;
}

// The cards' hardware clock: every millisecond the cards move by the time that passed. It
// runs above the streaming thread's priority where the system grants it, as a card's own
// clock is not delayed by the machine's load.
class CardClock {
  public:
    explicit CardClock(SimAudioCards& cards) : cards_(cards) {
        thread_ = std::thread([this] { run(); });
    }
    ~CardClock() {
        stop_.store(true);
        thread_.join();
    }

  private:
    void run() {
        sched_param parameters{};
        parameters.sched_priority = FifoRealtimeScheduler::kPriority + 10;
        ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &parameters);
        auto last = std::chrono::steady_clock::now();
        auto next = last;
        while (!stop_.load()) {
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
            const auto now = std::chrono::steady_clock::now();
            cards_.advanceTime(
                std::chrono::duration_cast<std::chrono::nanoseconds>(now - last).count());
            last = now;
        }
    }

    SimAudioCards& cards_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The streaming thread's waits, counting those that had to sleep (each costs a wake-up).
class CountingWait final : public TimedWaitIf {
  public:
    bool waitFor(Waitable& stop, uint32_t timeoutMs) override { return stop.wait(timeoutMs); }
    int waitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs) override {
        const int ready = Waitable::waitForAny(objects, 0);
        if (ready != kWaitTimeout || timeoutMs == 0) return ready;
        sleeps.fetch_add(1, std::memory_order_relaxed);
        return Waitable::waitForAny(objects, timeoutMs);
    }
    std::atomic<uint64_t> sleeps{0};
};

class StreamingScene {
  public:
    explicit StreamingScene(std::unique_ptr<AsioBrandIf> made)
        : brand(std::move(made)),
          folder(std::filesystem::temp_directory_path() / "qmt-streaming-bench"),
          registry(folder.string() + "/user.reg", folder.string() + "/machine.reg"),
          cards(tree) {
        environment.registry = &registry;
        environment.devices = &tree;
        environment.cards = &cards;
        environment.realtime = &realtime;
        environment.tickClock = &tick;
        environment.streamWait = &wait;
        environment.performanceCounter = &counter;
        environment.registryClock = &registryClock;
        environment.registryWait = &registryWait;
    }

    std::unique_ptr<AsioBrandIf> brand;
    std::filesystem::path folder;
    FileRegistry registry;
    SimDeviceTree tree;
    SimAudioCards cards;
    FifoRealtimeScheduler realtime;
    SteadyTickClock tick;
    CountingWait wait;
    SteadyPerformanceCounter counter;
    ManualClock registryClock;
    ManualTimedWait registryWait{registryClock};
    AsioEnvironment environment;
    std::unique_ptr<AsioDeviceRegistry> devices;
    std::unique_ptr<CompositeKsAudioDevice> device;
    std::vector<int> controllers;
};

void streamScene(benchmark::State& state, StreamingScene& scene, double rate,
                 const std::vector<int32_t>& outputs, const std::vector<int32_t>& inputs) {
    BenchHost bench;
    host = &bench;
    // Ten minutes of what the cards played would fill memory (and stall the card clock).
    for (int controller : scene.controllers)
        scene.cards.card(controller)->setRecording(false);
    for (int32_t channel : outputs)
        bench.infos.push_back({ASIOFalse, channel, {nullptr, nullptr}});
    for (int32_t channel : inputs)
        bench.infos.push_back({ASIOTrue, channel, {nullptr, nullptr}});
    ASIOCallbacks callbacks{};
    callbacks.bufferSwitch = &onSwitch;
    callbacks.asioMessage = &onMessage;
    scene.device->setSampleRate(rate);
    bench.statistics.reset(kFrames * 1e9 / rate);
    const double seconds = benchSeconds();
    size_t active = 0;
    CardClock clock(scene.cards);
    for (auto _ : state) {
        if (scene.device->createBuffers(bench.infos.data(),
                                        static_cast<int32_t>(bench.infos.size()), kFrames,
                                        &callbacks) != ASE_OK) {
            state.SkipWithError("createBuffers failed");
            break;
        }
        scene.device->start();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        active = scene.device->activeFilterCount();
        scene.device->stop();
        scene.device->disposeBuffers();
    }
    std::lock_guard lock(bench.mutex);
    const asiohost::SwitchStatistics::Summary summary = bench.statistics.summary();
    const double wall = static_cast<double>(bench.lastNs - bench.firstNs) * 1e-9;
    uint64_t starved = 0;
    for (int controller : scene.controllers) {
        starved += scene.cards.card(controller)->starvedFrames(KSPIN_DATAFLOW_IN);
        starved += scene.cards.card(controller)->starvedFrames(KSPIN_DATAFLOW_OUT);
    }
    state.counters["cpu_share_pct"] = wall > 0 ? (bench.lastCpu - bench.firstCpu) / wall * 100 : 0;
    state.counters["switches"] = static_cast<double>(summary.switches);
    state.counters["period_ms"] = summary.meanPeriodMs;
    state.counters["jitter_rms_ms"] = summary.jitterRmsMs;
    state.counters["jitter_max_ms"] = summary.jitterMaxMs;
    state.counters["missed_halves"] = static_cast<double>(summary.missedHalves);
    state.counters["starved_frames"] = static_cast<double>(starved);
    state.counters["active_filters"] = static_cast<double>(active);
    state.counters["sleeps_per_switch"] =
        summary.switches > 0
            ? static_cast<double>(scene.wait.sleeps.load()) / static_cast<double>(summary.switches)
            : 0;
    host = nullptr;
}

void finishScene(StreamingScene& scene) {
    scene.devices = std::make_unique<AsioDeviceRegistry>(
        *scene.brand, scene.tree, scene.cards, scene.registry,
        scene.brand->createDeviceModels(scene.tree), &scene.registryClock, &scene.registryWait);
    scene.devices->initialize();
}

void BM_Streaming16x16FourKrt4(benchmark::State& state) {
    StreamingScene scene(std::make_unique<BrxAsioBrand>());
    std::filesystem::create_directories(scene.folder);
    for (int port = 1; port <= 4; ++port) {
        const std::u16string serial = u"KRT4BENCH" + std::u16string(1, u'0' + port);
        const int controller = scene.tree.plugController(SimControllerModel::Krt4, serial, port);
        scene.cards.card(controller)
            ->setProfile(SimKrt4SoundCardProfile(SimKrt4Mode::FourOutFourIn));
        scene.controllers.push_back(controller);
    }
    finishScene(scene);
    // Every KRT4 on ASIO channels of its own: 4k to 4k + 3 each way.
    for (size_t k = 0; k < scene.devices->getNumberOfDevices(); ++k) {
        AsioDeviceConfigurationIf* configuration =
            scene.devices->getAsioDevice(k)->getSelectedConfiguration();
        for (uint32_t channel = 0; channel < 4; ++channel) {
            configuration->setInputChannel(channel, static_cast<uint8_t>(4 * k + channel));
            configuration->setOutputChannel(channel, static_cast<uint8_t>(4 * k + channel));
        }
    }
    scene.device = CompositeKsAudioDevice::create(*scene.devices, scene.environment);
    std::vector<int32_t> all;
    for (int32_t channel = 0; channel < 16; ++channel)
        all.push_back(channel);
    streamScene(state, scene, 44100, all, all);
}

void BM_Streaming16OutFourQmtControllers(benchmark::State& state) {
    StreamingScene scene(std::make_unique<QmtAsioBrand>());
    std::filesystem::create_directories(scene.folder);
    const SimControllerModel models[] = {SimControllerModel::Kv5, SimControllerModel::Kv10,
                                         SimControllerModel::Ardo, SimControllerModel::ArdoRaw};
    for (int port = 1; port <= 4; ++port) {
        const std::u16string serial = u"QMTBENCH00" + std::u16string(1, u'0' + port);
        const int controller = scene.tree.plugController(models[port - 1], serial, port);
        if (port >= 3) {
            SimPinProfile render;
            render.name = "Speaker";
            render.ranges = {MakePcmDataRange(6, 16, 24, 44100, 44100)};
            scene.cards.card(controller)
                ->setProfile(SimUsbAudioCardProfile("ARDO Audio", &render, nullptr));
        }
        scene.controllers.push_back(controller);
    }
    finishScene(scene);
    scene.device = CompositeKsAudioDevice::create(*scene.devices, scene.environment);
    std::vector<int32_t> all;
    for (int32_t channel = 0; channel < 16; ++channel)
        all.push_back(channel);
    streamScene(state, scene, 48000, all, {});
}

// No controller: the timer makes the switches; what a wake-up per millisecond costs here.
void BM_StreamingTimerOnly(benchmark::State& state) {
    StreamingScene scene(std::make_unique<QmtAsioBrand>());
    std::filesystem::create_directories(scene.folder);
    finishScene(scene);
    scene.device = CompositeKsAudioDevice::create(*scene.devices, scene.environment);
    std::vector<int32_t> all;
    for (int32_t channel = 0; channel < 16; ++channel)
        all.push_back(channel);
    streamScene(state, scene, 48000, all, all);
}

BENCHMARK(BM_StreamingTimerOnly)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Streaming16x16FourKrt4)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Streaming16OutFourQmtControllers)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace qmt

BENCHMARK_MAIN();
