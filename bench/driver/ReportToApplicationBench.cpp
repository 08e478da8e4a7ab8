// Time from a report delivered to a simulated controller until its message reaches the
// simulated application: reader thread, decoder, action engine, capture queue, the port's
// PutMessage and the application's sink. Median and 99th percentile over 100,000 reports.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "driver/MidiMiniport.h"
#include "model/PresetFile.h"
#include "platform/FileRegistry.h"
#include "platform/ThreadPeriodicTimer.h"
#include "platform/sim/SimHidBus.h"
#include "platform/sim/SimMidiPort.h"
#include "presets/FactoryPresets.h"

namespace qmt {
namespace {

using SteadyClock = std::chrono::steady_clock;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               SteadyClock::now().time_since_epoch())
        .count();
}

std::vector<uint8_t> Kv10Report(uint16_t slider) {
    std::vector<uint8_t> report(11, 0);
    report[5] = slider & 0xFF;
    report[6] = static_cast<uint8_t>(slider >> 8);
    return report;
}

std::unique_ptr<FileRegistry> FactoryRegistry(const std::string& folder) {
    std::string mapping;
    WriteFactorySet(folder, nullptr, &mapping);
    auto registry = std::make_unique<FileRegistry>(folder + "/user.reg", folder + "/machine.reg");
    registry->setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, folder);
    registry->setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, mapping);
    return registry;
}

void BM_ReportToApplication(benchmark::State& state) {
    const int reports = static_cast<int>(state.range(0));
    std::string folder = (std::filesystem::temp_directory_path() / "qmt-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    auto registry = FactoryRegistry(folder);
    SimHidBus bus;
    ThreadPeriodicTimer timer;
    auto miniport =
        std::make_unique<MidiMiniport>(MiniportServices{registry.get(), &bus, &bus, &timer});
    auto port = std::make_unique<SimMidiPort>(std::make_shared<SteadyPortClock>(), 4096);
    port->SetMiniport(miniport.get());
    miniport->Init(port.get());

    std::atomic<uint64_t> arrivals{0};
    std::atomic<int64_t> lastArrival{0};
    port->SetListener([&](const ReceivedMidi&) {
        lastArrival.store(NowNs());
        arrivals.fetch_add(1);
    });
    auto controller = bus.PlugProduct("0100", "BENCH");
    const int capture = port->Open(kDMusStreamMidiCapture);
    port->Connect(capture);
    port->SetState(capture, KsState::Run);
    controller->WaitForBlockedRead(5000);
    controller->Deliver(Kv10Report(0));  // the starting position
    controller->WaitForReads(1, 5000);
    // The state refresh sent when capture connected must not count as a report's message.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    std::vector<int64_t> latencies;
    latencies.reserve(reports);
    int missing = 0;
    for (auto _ : state) {
        for (int n = 0; n < reports; ++n) {
            controller->WaitForBlockedRead(5000);
            const uint64_t before = arrivals.load();
            const int64_t sent = NowNs();
            controller->Deliver(Kv10Report(n % 2 == 0 ? 0x0FFF : 0x0000));
            const int64_t deadline = sent + 100'000'000;
            while (arrivals.load() == before && NowNs() < deadline)
                std::this_thread::yield();
            if (arrivals.load() == before) {
                ++missing;
                continue;
            }
            controller->WaitForReads(static_cast<uint64_t>(n) + 2, 5000);
            latencies.push_back(lastArrival.load() - sent);
        }
    }
    port->CloseAll();
    port.reset();
    miniport.reset();
    std::filesystem::remove_all(folder);
    if (latencies.empty()) {
        state.SkipWithError("no message reached the application");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_us"] = latencies[latencies.size() / 2] / 1000.0;
    state.counters["p99_us"] = latencies[latencies.size() * 99 / 100] / 1000.0;
    state.counters["max_us"] = latencies.back() / 1000.0;
    state.counters["missing"] = missing;
}

BENCHMARK(BM_ReportToApplication)->Arg(100'000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qmt

BENCHMARK_MAIN();
