// The streaming thread in real time over four simulated controllers whose sound cards run on
// the monotonic clock: the CPU share of the thread (its own CPU clock, nothing else of the
// process), the jitter of the buffer switches the host sees, halves that never came, and
// frames the cards played or lost for want of a request. QMT_BENCH_SECONDS sets the run's
// length (10 s by default; 600 for the ten-minute figure in the README).
//
// The streaming thread asks for SCHED_FIFO as the driver always does; the cards' clock, which
// plays the hardware, asks for a higher priority and wakes when a request is due, as a card's
// interrupt comes when its buffer is done. Both need the right to real-time scheduling (root,
// CAP_SYS_NICE or an rtprio limit); the `realtime` counter says whether both got it. Without
// it the figures measure the machine's load as much as the driver.
//
//   16x16: four KRT4 in their 4-in/4-out mode, each on its own four inputs and outputs,
//          44.1 kHz, 16 bits (the second brand).
//   16out: KV5 and KV10 at 48 kHz, an ARDO and an ARDO RAW whose cards take only 44.1 kHz
//          (six channels each through the variable-rate converter), 24 bits (the maker's).
// Both at 48-frame buffers, about 1 ms.

#include <benchmark/benchmark.h>
#include <pthread.h>
#include <stdlib.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
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

double cpuSeconds(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

uint64_t steadyNs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// What the host side of the bench keeps: timing from inside the switch, on the thread. The
// streaming thread's CPU clock is read at the first switch and, at the end, from the main
// thread: a CPU clock read costs a system call, which a read in every switch would add to
// the share measured.
struct BenchHost {
    std::mutex mutex;
    asiohost::SwitchStatistics statistics;
    bool started = false;
    clockid_t streamingClock{};
    double firstCpu = 0;
    double lastCpu = 0;
    uint64_t firstNs = 0;
    uint64_t lastNs = 0;
    std::vector<ASIOBufferInfo> infos;
    uint32_t bits = 16;
};
BenchHost* host = nullptr;

void onSwitch(int32_t half, ASIOBool) {
    const uint64_t now = steadyNs();
    std::lock_guard lock(host->mutex);
    host->statistics.add(now, half);
    if (!host->started && ::pthread_getcpuclockid(::pthread_self(), &host->streamingClock) == 0) {
        host->started = true;
        host->firstCpu = cpuSeconds(host->streamingClock);
        host->firstNs = steadyNs();
    }
}

// The streaming thread's CPU time and the wall time since the first switch, read while the
// thread still runs.
void takeCpuShare(BenchHost& bench) {
    std::lock_guard lock(bench.mutex);
    if (!bench.started) return;
    bench.lastCpu = cpuSeconds(bench.streamingClock);
    bench.lastNs = steadyNs();
}

int32_t onMessage(int32_t, int32_t, void*, double*) {
    return 0;
}

// The driver's scheduler, remembering whether the streaming thread got what it asked for.
class GrantRecordingScheduler final : public RealtimeSchedulerIf {
  public:
    bool makeCurrentThreadRealtime(std::string& refusal) override {
        const bool granted = fifo_.makeCurrentThreadRealtime(refusal);
        granted_.store(granted);
        return granted;
    }
    bool granted() const { return granted_.load(); }

  private:
    FifoRealtimeScheduler fifo_;
    std::atomic<bool> granted_{false};
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
    GrantRecordingScheduler realtime;
    FifoRealtimeScheduler clockRealtime{FifoRealtimeScheduler::kSimulatedHardwarePriority};
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
    scene.cards.startRealTime(&scene.clockRealtime);
    for (auto _ : state) {
        if (scene.device->createBuffers(bench.infos.data(),
                                        static_cast<int32_t>(bench.infos.size()), kFrames,
                                        &callbacks) != ASE_OK) {
            state.SkipWithError("createBuffers failed");
            break;
        }
        scene.device->start();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        takeCpuShare(bench);
        active = scene.device->activeFilterCount();
        scene.device->stop();
        scene.device->disposeBuffers();
    }
    const bool realtime = scene.cards.realTimeClockIsRealtime() && scene.realtime.granted();
    scene.cards.stopRealTime();
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
    state.counters["realtime"] = realtime ? 1 : 0;
    double load[1] = {0};
    state.counters["load_average"] = ::getloadavg(load, 1) == 1 ? load[0] : -1;
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

// None of the driver: a thread at the streaming thread's priority that only sleeps to the next
// 48-frame period at 44.1 kHz and wakes, for the same time. What it misses and costs is the
// machine's own floor (wake-up latency of the kernel and the virtual machine under the load
// of the moment), against which the figures above are read.
void BM_PlatformWakeupFloor(benchmark::State& state) {
    const double periodNs = kFrames * 1e9 / 44100;
    asiohost::SwitchStatistics statistics(periodNs);
    double cpu = 0;
    double wall = 0;
    bool realtime = false;
    for (auto _ : state) {
        std::thread sleeper([&] {
            std::string refusal;
            FifoRealtimeScheduler fifo;
            realtime = fifo.makeCurrentThreadRealtime(refusal);
            const auto start = std::chrono::steady_clock::now();
            const double startCpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            const auto end = start + std::chrono::duration<double>(benchSeconds());
            auto next = start;
            for (int32_t half = 0; next < end; half ^= 1) {
                next += std::chrono::nanoseconds(static_cast<int64_t>(periodNs));
                std::this_thread::sleep_until(next);
                statistics.add(steadyNs(), half);
            }
            cpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - startCpu;
            wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        });
        sleeper.join();
    }
    const asiohost::SwitchStatistics::Summary summary = statistics.summary();
    state.counters["cpu_share_pct"] = wall > 0 ? cpu / wall * 100 : 0;
    state.counters["switches"] = static_cast<double>(summary.switches);
    state.counters["jitter_rms_ms"] = summary.jitterRmsMs;
    state.counters["jitter_max_ms"] = summary.jitterMaxMs;
    state.counters["missed_halves"] = static_cast<double>(summary.missedHalves);
    state.counters["realtime"] = realtime ? 1 : 0;
    double load[1] = {0};
    state.counters["load_average"] = ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

BENCHMARK(BM_PlatformWakeupFloor)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_StreamingTimerOnly)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Streaming16x16FourKrt4)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Streaming16OutFourQmtControllers)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace qmt

BENCHMARK_MAIN();
