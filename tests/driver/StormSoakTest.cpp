// A storm on the driver with all its threads, as `qmtmidi --simulate` runs it: controllers of
// every model plugged and unplugged, reports at full rate, reloads through the control
// socket, applications connecting and disconnecting, MIDI floods to the lights.
//
// Rounds alternate two phases. A chaos phase does all of it at once from several threads
// and checks only that whatever arrives is well formed (the sanitizer builds check the
// rest). A checked phase changes the set-up (plug, unplug, reload, reconnect, a second
// application) only between bursts, with every thread caught up, and then sends bursts of
// slider reports from every controller at full rate while the lights are flooded: every
// report's message must arrive at every connected application exactly once and in order.
// The heap in use is sampled after every checked phase and must stay flat; a watchdog ends
// the process when nothing moves for a minute (a deadlock).
//
// QMT_STORM_ROUNDS sets the number of rounds (default 4); the seed is fixed.

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#include <cstddef>
// The sanitizers' own allocator counts what is in use; GCC ships no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "DriverRig.h"
#include "driver/ControlDispatch.h"
#include "model/Mapping.h"
#include "platform/ControlChannel.h"
#include "platform/ThreadPeriodicTimer.h"
#include "tests/common/SliderReports.h"

namespace qmt::test {
namespace {

size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

constexpr uint32_t kWaitMs = 30000;

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        text += hex;
    }
    return text;
}

// The controllers of the storm. Checked ones move only their slider, each on a channel of
// its own; the others get random reports of their model's length and may send anything on
// channels 9 to 16.
struct Unit {
    const char* productId;
    uint8_t model;
    std::string serial;
    uint8_t channel;
    bool checked;
};

std::vector<Unit> Units() {
    std::vector<Unit> units;
    const std::pair<const char*, uint8_t> models[] = {
        {"0100", kModelKv10}, {"0202", kModelKv5}, {"0300", kModelArdo}, {"0310", kModelArdoRaw}};
    uint8_t channel = 0;
    for (const auto& [product, model] : models) {
        for (int n = 0; n < 2; ++n)
            units.push_back(
                {product, model, std::string("C") + product + char('a' + n), channel++, true});
        units.push_back(
            {product, model, std::string("R") + product, static_cast<uint8_t>(8 + model), false});
    }
    return units;
}

std::vector<int> SlotsOf(uint8_t model) {
    if (model == kModelArdo) return {1, 2};
    if (model == kModelArdoRaw) return {5, 6};
    return {0};
}

// Every unit named in the mapping, with its channel in every slot its model uses.
Mapping StormMapping(const std::vector<Unit>& units) {
    Mapping mapping;
    for (const Unit& unit : units) {
        MappingEntry& entry = mapping.entries.emplace_back();
        entry.name = unit.serial;
        entry.type = unit.model;
        for (int slot : SlotsOf(unit.model)) {
            entry.slotUsed[slot] = true;
            entry.defaultChannels[slot] = entry.inputChannels[slot] = unit.channel;
            for (const FactoryPreset& p : FactoryPresets())
                if (p.preset.kind == SlotPresetKind(slot)) entry.presetNames[slot] = p.name;
        }
    }
    return mapping;
}

// What one application receives, per channel, with a check of every message's shape.
class Application {
  public:
    explicit Application(int stream) : stream_(stream) {}
    int stream() const { return stream_; }

    void Receive(const ReceivedMidi& m) {
        std::lock_guard lock(mutex_);
        const bool shaped = m.bytes.size() >= 2 && m.bytes.size() <= 3 && (m.bytes[0] & 0x80) &&
                            m.bytes[0] < 0xF0 && (m.bytes[1] & 0x80) == 0 &&
                            (m.bytes.size() < 3 || (m.bytes[2] & 0x80) == 0);
        if (!shaped) ++malformed_;
        if (!shaped) return;
        channels_[m.bytes[0] & 0x0F].push_back(m.bytes);
    }
    // Messages so far on a channel; the caller takes a mark and reads what came after it.
    std::vector<std::vector<uint8_t>> Since(uint8_t channel, size_t mark) {
        std::lock_guard lock(mutex_);
        auto& all = channels_[channel];
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end()};
    }
    size_t Count(uint8_t channel) {
        std::lock_guard lock(mutex_);
        return channels_[channel].size();
    }
    void Forget() {
        std::lock_guard lock(mutex_);
        channels_.clear();
    }
    int malformed() {
        std::lock_guard lock(mutex_);
        return malformed_;
    }

  private:
    const int stream_;
    std::mutex mutex_;
    std::map<uint8_t, std::vector<std::vector<uint8_t>>> channels_;
    int malformed_ = 0;
};

class StormSoakTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string mappingPath = folder_.file("storm.kdm");
        WriteFactorySet(folder_.path());
        ASSERT_TRUE(SaveFileAtomically(mappingPath, WriteMapping(StormMapping(units_))));
        registry_ =
            std::make_unique<FileRegistry>(folder_.file("user.reg"), folder_.file("machine.reg"));
        registry_->setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, folder_.path());
        registry_->setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, mappingPath);
        miniport_ = std::make_unique<MidiMiniport>(
            MiniportServices{registry_.get(), &bus_, &bus_, &timer_});
        port_ = std::make_unique<SimMidiPort>(clock_);
        port_->SetMiniport(miniport_.get());
        ASSERT_EQ(miniport_->Init(port_.get()), kStatusSuccess);
        std::string error;
        ASSERT_TRUE(control_.Start(folder_.file("control"), AnswerControlRequest, error)) << error;
        bus_.SetWriteListener([this](const std::string&, const SimController::Report& report) {
            if (report.size() != 33 || report[0] != 0) badReports_.fetch_add(1);
        });
        port_->SetListener([this](const ReceivedMidi& m) {
            std::lock_guard lock(appsMutex_);
            for (auto& app : apps_)
                if (app->stream() == m.stream) app->Receive(m);
        });
        main_ = OpenApplication();
        render_ = port_->Open(kDMusStreamMidiRender);
        ASSERT_EQ(port_->Connect(render_), kStatusSuccess);
        ASSERT_EQ(port_->SetState(render_, KsState::Run), kStatusSuccess);
        watchdog_ = std::thread([this] { Watch(); });
    }

    void TearDown() override {
        {
            std::lock_guard lock(watchMutex_);
            finished_ = true;
        }
        watchChanged_.notify_all();
        watchdog_.join();
        control_.Stop();
        port_->CloseAll();
        miniport_.reset();
    }

    // Progress for the watchdog, with what the test is doing in case it stops.
    void Step(const char* what) {
        std::lock_guard lock(watchMutex_);
        doing_ = what;
        ++progress_;
    }
    void Watch() {
        std::unique_lock lock(watchMutex_);
        uint64_t seen = progress_;
        while (!watchChanged_.wait_for(lock, std::chrono::seconds(60), [&] { return finished_; })) {
            if (progress_ != seen) {
                seen = progress_;
                continue;
            }
            std::fprintf(stderr, "storm: nothing moved for 60 s while '%s': deadlock\n", doing_);
            std::abort();
        }
    }

    Application* OpenApplication() {
        const int stream = port_->Open(kDMusStreamMidiCapture);
        EXPECT_NE(stream, 0);
        auto app = std::make_unique<Application>(stream);
        Application* raw = app.get();
        {
            std::lock_guard lock(appsMutex_);
            apps_.push_back(std::move(app));
        }
        EXPECT_EQ(port_->Connect(stream), kStatusSuccess);
        EXPECT_EQ(port_->SetState(stream, KsState::Run), kStatusSuccess);
        return raw;
    }
    void CloseApplication(Application* app) {
        port_->Close(app->stream());
        std::lock_guard lock(appsMutex_);
        std::erase_if(apps_, [&](const auto& a) { return a.get() == app; });
    }
    void Reconnect(Application* app) {
        port_->Disconnect(app->stream());
        port_->Connect(app->stream());
    }

    bool Reload() {
        const auto answer =
            SendControlRequest(control_.path(), ControlRequest{kIoctlReloadMapping, {}, 0});
        return answer && answer->status == kStatusSuccess;
    }

    void Plug(size_t u) {
        controllers_[u] = bus_.PlugProduct(units_[u].productId, units_[u].serial);
        ASSERT_TRUE(controllers_[u]);
    }
    void Unplug(size_t u) {
        bus_.Unplug(controllers_[u]->path());
        controllers_.erase(u);
    }

    // Everything delivered so far has been read and handled by every plugged controller.
    void CatchUp() {
        for (auto& [u, controller] : controllers_) {
            Step("waiting for the readers to catch up");
            ASSERT_TRUE(controller->WaitUntilAllRead(kWaitMs)) << units_[u].serial;
        }
    }

    // Lights: notes, controller 64 and pitch bend on every channel, as short events, packages
    // and long ones, while `until` is false.
    void Flood(std::mt19937& random, const std::atomic<bool>& until) {
        while (!until.load()) {
            const uint8_t status =
                static_cast<uint8_t>((random() % 2 ? 0x90 : 0xB0) | (random() % 16));
            const uint8_t data1 = status >= 0xB0 ? 64 : random() % 110;
            std::vector<RenderEventItem> events{
                {kDMusEventStructured,
                 0,
                 {status, data1, static_cast<uint8_t>(random() % 128)},
                 {}}};
            if (random() % 8 == 0)
                events.push_back({kDMusEventStructured, 0, {0xE0, 0x11, 0x40}, {}});
            if (random() % 16 == 0)
                events.push_back({kDMusEventStructured, 0, std::vector<uint8_t>(40, 0x7F), {}});
            port_->Send(render_, events);
        }
    }

    void ChaosPhase(std::mt19937& seed);
    void CheckedPhase(std::mt19937& random);

    TempFolder folder_;
    const std::vector<Unit> units_ = Units();
    std::unique_ptr<FileRegistry> registry_;
    std::shared_ptr<SteadyPortClock> clock_ = std::make_shared<SteadyPortClock>();
    SimHidBus bus_;
    ThreadPeriodicTimer timer_;
    std::unique_ptr<MidiMiniport> miniport_;
    std::unique_ptr<SimMidiPort> port_;
    ControlServer control_;
    std::mutex appsMutex_;
    std::vector<std::unique_ptr<Application>> apps_;
    Application* main_ = nullptr;
    int render_ = 0;
    std::map<size_t, std::shared_ptr<SimController>> controllers_;
    std::array<uint8_t, 16> sliderValue_{};
    std::atomic<int> badReports_{0};
    uint64_t reportsChecked_ = 0;

    std::thread watchdog_;
    std::mutex watchMutex_;
    std::condition_variable watchChanged_;
    const char* doing_ = "starting";
    uint64_t progress_ = 0;
    bool finished_ = false;
};

void StormSoakTest::ChaosPhase(std::mt19937& seed) {
    Step("chaos");
    std::atomic<bool> stop{false};
    std::mutex plugMutex;  // the controller table, shared by the report and plug threads
    std::vector<std::thread> threads;
    threads.emplace_back([&, random = std::mt19937(seed())]() mutable {
        for (int i = 0; i < 400; ++i) {
            Step("chaos");
            std::lock_guard lock(plugMutex);
            const size_t u = random() % units_.size();
            auto it = controllers_.find(u);
            if (random() % 4 == 0) {
                if (it == controllers_.end()) {
                    Plug(u);
                } else {
                    Unplug(u);
                }
                continue;
            }
            if (it == controllers_.end()) continue;
            std::vector<uint8_t> report = SliderReport(units_[u].model, random() % 128);
            if (!units_[u].checked)
                for (auto& b : report)
                    b = static_cast<uint8_t>(random());
            it->second->Deliver(std::move(report));
        }
        stop.store(true);
    });
    threads.emplace_back([&] {
        while (!stop.load())
            EXPECT_TRUE(Reload());
    });
    threads.emplace_back([&, random = std::mt19937(seed())]() mutable {
        while (!stop.load()) {
            if (random() % 2) {
                Reconnect(main_);
            } else {
                CloseApplication(OpenApplication());
            }
        }
    });
    threads.emplace_back([&, random = std::mt19937(seed())]() mutable { Flood(random, stop); });
    for (auto& t : threads)
        t.join();
}

void StormSoakTest::CheckedPhase(std::mt19937& random) {
    // The set-up changes with everything caught up. Two reloads: the first restarts readers
    // the chaos may have left stopped and lets them read what it left queued, the second
    // starts every controller afresh (its next report only initialises).
    Step("set-up between bursts");
    for (size_t u = 0; u < units_.size(); ++u) {
        const bool plugged = controllers_.count(u) > 0;
        if (units_[u].checked && random() % 3 == 0) {
            if (plugged) {
                Unplug(u);
            } else {
                Plug(u);
            }
        }
    }
    Application* second = random() % 2 ? OpenApplication() : nullptr;
    ASSERT_TRUE(Reload());
    CatchUp();
    ASSERT_TRUE(Reload());
    CatchUp();
    // The first report only initialises; the second finds the ARDO RAW's selector switch
    // pressed afresh (held states start cleared) and sends its note. Neither moves the slider.
    for (int twice = 0; twice < 2; ++twice) {
        for (auto& [u, controller] : controllers_)
            if (units_[u].checked)
                controller->Deliver(SliderReport(units_[u].model, sliderValue_[units_[u].channel]));
    }
    CatchUp();

    std::vector<Application*> listening{main_};
    if (second) listening.push_back(second);
    std::map<Application*, std::array<size_t, 16>> marks;
    for (Application* app : listening)
        for (uint8_t c = 0; c < 16; ++c)
            marks[app][c] = app->Count(c);

    // Bursts at full rate, every checked controller in turn, the lights flooded meanwhile.
    Step("bursts");
    std::array<std::vector<uint8_t>, 16> expected;
    std::atomic<bool> stop{false};
    std::thread flood([&, r = std::mt19937(random())]() mutable { Flood(r, stop); });
    for (int i = 0; i < 200; ++i) {
        for (auto& [u, controller] : controllers_) {
            if (!units_[u].checked) continue;
            uint8_t& value = sliderValue_[units_[u].channel];
            value = NextSliderValue(value, random());
            controller->Deliver(SliderReport(units_[u].model, value));
            expected[units_[u].channel].push_back(value);
        }
    }
    stop.store(true);
    flood.join();
    CatchUp();

    for (Application* app : listening) {
        for (const Unit& unit : units_) {
            if (!unit.checked) continue;
            std::vector<uint8_t> values;
            for (const auto& m : app->Since(unit.channel, marks[app][unit.channel])) {
                EXPECT_EQ(m[0], 0xB0 | unit.channel) << Hex(m);
                values.push_back(m[2]);
            }
            EXPECT_EQ(values, expected[unit.channel])
                << unit.serial << ", application " << app->stream();
            reportsChecked_ += expected[unit.channel].size();
        }
    }
    if (second) CloseApplication(second);
}

TEST_F(StormSoakTest, EveryReportArrivesOnceInOrderAndNothingLeaksOrHangs) {
    const char* rounds = std::getenv("QMT_STORM_ROUNDS");
    const int count = rounds != nullptr ? std::atoi(rounds) : 4;
    std::mt19937 random(1234);
    for (size_t u = 0; u < units_.size(); ++u)
        Plug(u);
    std::vector<size_t> heap;
    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < count && !HasFatalFailure(); ++round) {
        ChaosPhase(random);
        CheckedPhase(random);
        for (auto& [u, controller] : controllers_)
            controller->ClearWritten();
        port_->ClearReceived();
        for (auto& app : apps_)
            app->Forget();
        heap.push_back(HeapInUse());
        if (std::getenv("QMT_STORM_VERBOSE"))
            std::printf("round %d heap %zu\n", round, heap.back());
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(badReports_.load(), 0);
    for (auto& app : apps_)
        EXPECT_EQ(app->malformed(), 0);
    // The first round fills pools and queues to their working size. After it the heap in use
    // only wanders (threads' buffers, the last messages kept): the last rounds may not hold
    // more than the first ones, give or take 256 KB.
    if (heap.size() >= 3) {
        const size_t third = std::max<size_t>(1, (heap.size() - 1) / 3);
        const auto mean = [&](size_t from, size_t count) {
            size_t sum = 0;
            for (size_t n = from; n < from + count; ++n)
                sum += heap[n];
            return sum / count;
        };
        EXPECT_LT(mean(heap.size() - third, third), mean(1, third) + (256u << 10))
            << "the heap grows";
    }
    std::printf("storm: %d rounds in %.1f s, %llu reports checked, heap %zu -> %zu bytes\n", count,
                seconds, static_cast<unsigned long long>(reportsChecked_),
                heap.empty() ? 0 : heap.front(), heap.empty() ? 0 : heap.back());
}

}  // namespace
}  // namespace qmt::test
