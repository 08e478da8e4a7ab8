// The storm on the real Linux path: qmtmidi serving controllers of every model on /dev/uhid
// through hidraw to applications on the ALSA sequencer, while controllers are unplugged and
// plugged again, the mapping is reloaded through the control socket, applications
// connect to "QMT MIDI In" and leave it, and one floods "QMT MIDI Out" with notes for the
// lights. Between those changes every controller sends a burst of slider reports at full
// rate; the application must get every report's message exactly once and in order. The
// service must stay up and its memory flat. QMT_STORM_ROUNDS sets the rounds (default 3).
//
// Applications change by a second one subscribing before the first leaves: one application
// that unsubscribes and subscribes again at once may find its subscription unchanged by
// the time the service looks, and then gets no state refresh (it never left, as far as
// the service can tell).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>

#include "HostServiceFixture.h"
#include "model/Catalogue.h"
#include "presets/FactoryPresets.h"
#include "tests/common/SliderReports.h"

namespace qmt::vm {
namespace {

using namespace std::chrono_literals;

// The controller the factory preset of a slot's kind gives the "Slider" (identifier 24).
uint8_t SliderController(int slot) {
    for (const FactoryPreset& p : FactoryPresets())
        if (p.preset.kind == SlotPresetKind(slot) && !p.preset.lists[24].empty())
            return p.preset.lists[24][0].messages[0].number;
    return 0;
}

struct StormUnit {
    const ControllerModel* model;
    uint8_t modelType;
    int slot;
    std::string serial;
    uint8_t channel;

    Bytes sliderMessage(uint8_t value) const {
        return {static_cast<uint8_t>(0xB0 | channel), SliderController(slot), value};
    }
};

std::vector<StormUnit> StormUnits() {
    return {{&Kv10Model(), kModelKv10, 0, "STORMKV10", 0},
            {&Kv5Model(), kModelKv5, 0, "STORMKV5", 1},
            {&ArdoModel(), kModelArdo, 1, "STORMARDO", 2},
            {&ArdoRawModel(), kModelArdoRaw, 5, "STORMRAW", 3}};
}

// Where two runs of values part, in a few words.
std::string Difference(const std::vector<uint8_t>& got, const std::vector<uint8_t>& wanted) {
    size_t n = 0;
    while (n < got.size() && n < wanted.size() && got[n] == wanted[n])
        ++n;
    auto around = [&](const std::vector<uint8_t>& v) {
        std::string text;
        for (size_t i = n < 2 ? 0 : n - 2; i < v.size() && i < n + 3; ++i)
            text += " " + std::to_string(v[i]);
        return text;
    };
    return "received " + std::to_string(got.size()) + " of " + std::to_string(wanted.size()) +
           ", first difference at " + std::to_string(n) + ": received" + around(got) + ", sent" +
           around(wanted);
}

// Resident memory of a process in kB, from /proc.
long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
    return -1;
}

class HostStormTest : public HostServiceTest {
  protected:
    // The ARDO models take the slider from their live deck's preset: both of their slots get
    // the unit's channel, so the slider speaks on it whichever deck is live.
    std::string writeStormMapping() {
        std::vector<MappingEntryPlan> entries;
        for (const StormUnit& u : units_) {
            entries.push_back({u.serial, u.modelType, u.slot, u.channel});
            if (u.slot != 0) entries.push_back({u.serial, u.modelType, u.slot + 1, u.channel});
        }
        return writeMapping("storm", entries);
    }

    // Keeps what a message says when it is a control change on a unit's channel.
    void keep(const Bytes& m, std::map<uint8_t, std::vector<uint8_t>>* values) {
        if (values && m.size() == 3 && (m[0] & 0xF0) == 0xB0)
            (*values)[m[0] & 0x0F].push_back(m[2]);
    }

    // Reads messages until `wanted`, keeping what came before it.
    bool receiveUntil(const Bytes& wanted, std::map<uint8_t, std::vector<uint8_t>>* values,
                      std::chrono::milliseconds patience = kPatience) {
        for (;;) {
            drainOutputReports();
            const auto message = listener().receive(patience);
            if (!message) return false;
            if (message->bytes == wanted) return true;
            keep(message->bytes, values);
        }
    }

    // Reads what has arrived, as an application reading all the time does.
    void collect(std::map<uint8_t, std::vector<uint8_t>>& values) {
        while (const auto message = listener().receive(0ms))
            keep(message->bytes, &values);
    }

    // The ARDO models' writers keep writing LED reports; reading them keeps uhid's queue free.
    void drainOutputReports() {
        for (auto& [serial, controller] : plugged_)
            if (controller->model().outputReportLength > 0)
                while (controller->waitForOutputReport(0ms)) {
                }
    }

    // Every unit's next reports only initialise (and press the ARDO RAW's selector afresh),
    // then one report each whose message is waited for: from then on each channel carries
    // only what the following reports send. A controller just plugged may lose its first
    // reports (the service's probe opens and closes the node before it attaches), so a unit
    // whose message does not come is asked again.
    void settle() {
        for (const StormUnit& u : units_) {
            bool settled = false;
            for (int attempt = 0; attempt < 5 && !settled; ++attempt) {
                const Bytes rest = test::SliderReport(u.modelType, value_[u.channel]);
                value_[u.channel] = test::NextSliderValue(value_[u.channel], random_());
                send(*plugged_[u.serial],
                     {rest, rest, test::SliderReport(u.modelType, value_[u.channel])});
                settled = receiveUntil(u.sliderMessage(value_[u.channel]), nullptr, 2s);
            }
            ASSERT_TRUE(settled) << u.serial << " did not settle";
        }
    }

    // Reports as fast as the path takes them from every unit in turn, notes to the lights in
    // between; then, once that many messages came, one more report per unit as a fence.
    // Everything before the fences must be the burst. A USB controller sends no faster than its
    // host reads it, and hidraw drops what its 64-report buffer cannot hold; so no unit runs more
    // than kWindow reports ahead of what the application has received from it.
    void burst(int reports) {
        static constexpr size_t kWindow = 24;
        const auto started = std::chrono::steady_clock::now();
        std::map<uint8_t, std::vector<uint8_t>> expected;
        std::map<uint8_t, std::vector<uint8_t>> got;
        const auto behind = [&] {
            for (const StormUnit& u : units_)
                if (expected[u.channel].size() > got[u.channel].size() + kWindow) return true;
            return false;
        };
        for (int i = 0; i < reports; ++i) {
            while (behind()) {
                const auto message = listener().receive(kPatience);
                ASSERT_TRUE(message) << "the application stopped receiving";
                keep(message->bytes, &got);
            }
            for (const StormUnit& u : units_) {
                value_[u.channel] = test::NextSliderValue(value_[u.channel], random_());
                send(*plugged_[u.serial], {test::SliderReport(u.modelType, value_[u.channel])});
                expected[u.channel].push_back(value_[u.channel]);
            }
            const uint8_t note = static_cast<uint8_t>(random_() % 108);
            app_->send({static_cast<uint8_t>(0x90 | random_() % 4), note,
                        static_cast<uint8_t>(random_() % 128)});
            drainOutputReports();
            collect(got);
        }
        // The fences go once everything sent has arrived, so no message of the burst can be
        // taken for a fence that happens to carry the same value.
        const auto missing = [&] {
            for (const StormUnit& u : units_)
                if (got[u.channel].size() < expected[u.channel].size()) return true;
            return false;
        };
        while (missing()) {
            const auto message = listener().receive(kPatience);
            if (!message) break;  // lost messages: the comparison below says which
            keep(message->bytes, &got);
        }
        for (const StormUnit& u : units_) {
            value_[u.channel] = test::NextSliderValue(value_[u.channel], random_());
            send(*plugged_[u.serial], {test::SliderReport(u.modelType, value_[u.channel])});
            ASSERT_TRUE(receiveUntil(u.sliderMessage(value_[u.channel]), &got))
                << u.serial << "'s fence never came";
        }
        for (const StormUnit& u : units_)
            EXPECT_TRUE(got[u.channel] == expected[u.channel])
                << u.serial << " after " << phase_ << ": "
                << Difference(got[u.channel], expected[u.channel]);
        checked_ += static_cast<uint64_t>(reports) * units_.size();
        burstSeconds_ +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }

    // The application that listens to "QMT MIDI In" now (the fixture's own at first).
    SequencerClient& listener() { return other_ ? *other_ : *app_; }

    // Another application subscribes and gets the state; then the one before it leaves.
    void changeListener() {
        std::string error;
        auto next =
            SequencerClient::Open("qmt vm storm listener " + std::to_string(++listeners_), error);
        ASSERT_TRUE(next) << error;
        ASSERT_TRUE(next->subscribeFrom("QMT MIDI In")) << next->error();
        ASSERT_TRUE(next->receive(kPatience)) << "no state refresh for the new application";
        if (other_) {
            other_.reset();  // its client closes: the driver closes its stream
        } else {
            ASSERT_TRUE(app_->unsubscribeFrom("QMT MIDI In")) << app_->error();
        }
        other_ = std::move(next);
    }

    void plugAll() {
        for (const StormUnit& u : units_) {
            plugged_[u.serial] = plug(*u.model, u.serial);
            ASSERT_TRUE(plugged_[u.serial]);
        }
    }

    const std::vector<StormUnit> units_ = StormUnits();
    std::map<std::string, std::unique_ptr<VirtualController>> plugged_;
    std::map<uint8_t, uint8_t> value_;
    std::string phase_;
    std::unique_ptr<SequencerClient> other_;
    int listeners_ = 0;
    std::mt19937 random_{4242};
    uint64_t checked_ = 0;
    double burstSeconds_ = 0;
};

TEST_F(HostStormTest, PlugsReloadsReconnectsAndFloodsLoseNothing) {
    const char* rounds = std::getenv("QMT_STORM_ROUNDS");
    const int count = rounds != nullptr ? std::atoi(rounds) : 3;
    startService(writeStormMapping());
    subscribeAndSettle();
    ASSERT_TRUE(app_->connectTo("QMT MIDI Out")) << app_->error();
    plugAll();
    std::vector<long> resident;
    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < count && !HasFailure(); ++round) {
        phase_ = "round " + std::to_string(round) + " start";
        settle();
        burst(60);
        // Unplug and plug every controller again.
        phase_ = "round " + std::to_string(round) + " replug";
        plugged_.clear();
        plugAll();
        settle();
        burst(60);
        // Reload through the control socket.
        phase_ = "round " + std::to_string(round) + " reload";
        ASSERT_TRUE(reloadThroughControlSocket());
        settle();
        burst(60);
        // Another application connects (and gets the state), the one before it leaves.
        phase_ = "round " + std::to_string(round) + " new application";
        changeListener();
        settle();
        burst(60);
        ASSERT_TRUE(service_.alive()) << "qmtmidi ended during round " << round;
        resident.push_back(ResidentKb(service_.pid()));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // Threads and sequencer buffers come and go; growth round after round is a leak.
    if (resident.size() >= 3) {
        EXPECT_LT(resident.back(), resident[1] + 2048) << "qmtmidi's memory grows";
    }
    std::printf(
        "storm: %d rounds in %.1f s, %llu reports checked (%.0f per second in the bursts), "
        "qmtmidi resident %ld -> %ld kB\n",
        count, seconds, static_cast<unsigned long long>(checked_),
        static_cast<double>(checked_) / burstSeconds_, resident.empty() ? 0 : resident.front(),
        resident.empty() ? 0 : resident.back());
}

// A controller whose reports come with the wrong length (a damaged cable, a confused
// firmware) is told about once and its bad reports are skipped; the good ones that follow
// still become MIDI, however many bad ones came first. The kernel itself drops reports that
// are too short; the long ones reach the service.
TEST_F(HostServiceTest, ReportsOfTheWrongLengthAreToldOnceAndSkipped) {
    const std::string log = work_.path() + "/qmtmidi.log";
    service_.setLogFile(log);
    startService(writeMapping("kv10", {{"", kModelKv10, 0, 0}}));
    subscribeAndSettle();
    auto kv10 = plug(Kv10Model(), "KV10BROKEN");
    ASSERT_TRUE(kv10);
    // "Play" down and up first: the service's probe may open the node before its reader
    // does, and reports sent in between are lost. The message shows the reader is there.
    send(*kv10, {Kv10Report(0), Kv10Report(1u << 22), Kv10Report(0)});
    ASSERT_TRUE(waitForMidi({0x90, 0x52, 0x7F}));
    const size_t length = Kv10Model().inputReportLength - 1;  // as sent: no report number
    for (uint8_t n = 0; n < 5; ++n)
        ASSERT_TRUE(kv10->sendRawInputReport(std::vector<uint8_t>(length + 3, n)));
    send(*kv10, {Kv10Report(1u << 22), Kv10Report(0)});
    EXPECT_TRUE(waitForMidi({0x90, 0x52, 0x7F})) << "the good reports after the bad ones";
    service_.stop();
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string told = "reports of " + std::to_string(length + 3) + " bytes, expected " +
                             std::to_string(length) + ": ignored";
    size_t count = 0;
    for (size_t at = text.find(told); at != std::string::npos; at = text.find(told, at + 1))
        ++count;
    EXPECT_EQ(count, 1u) << text;
}

}  // namespace
}  // namespace qmt::vm
