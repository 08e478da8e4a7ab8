// How long a control takes from the device to the application on the real kernel path:
// UHID_INPUT2 written to /dev/uhid until the event is read by a client subscribed to
// "QMT MIDI In". In the test guest the whole machine is emulated (QEMU without KVM), so
// the figures bound the software path from above; they are printed, not judged, except
// against a generous ceiling that only a stuck path would pass.

#include <algorithm>
#include <cstdio>

#include "HostServiceFixture.h"
#include "model/Catalogue.h"

namespace qmt::vm {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kReports = 10000;
constexpr uint32_t kKv10Play = 1u << 22;

TEST_F(HostServiceTest, LatencyFromUhidInputToTheSequencerClient) {
    const std::string mapping = writeMapping("kv10", {{"", kModelKv10, 0, 0}});
    startService(mapping);
    subscribeAndSettle();
    auto kv10 = plug(Kv10Model(), "KV10TIMED");
    ASSERT_TRUE(kv10);
    send(*kv10, {Kv10Report(0)});
    std::vector<double> microseconds;
    microseconds.reserve(kReports);
    for (int i = 0; i < kReports; ++i) {
        const bool down = i % 2 == 0;
        const Bytes wanted{0x90, 0x52, static_cast<uint8_t>(down ? 0x7F : 0x00)};
        const auto sent = Clock::now();
        ASSERT_TRUE(kv10->sendInputReport(Kv10Report(down ? kKv10Play : 0)));
        // One report in flight at a time: each time is the path's, not a queue's.
        for (;;) {
            const auto message = app_->receive(kPatience);
            ASSERT_TRUE(message) << "report " << i << " was lost";
            if (message->bytes == wanted) break;
        }
        microseconds.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
    }
    std::sort(microseconds.begin(), microseconds.end());
    auto at = [&](int percent) { return microseconds[microseconds.size() * percent / 100]; };
    const double median = at(50);
    const double p99 = at(99);
    std::printf(
        "uhid -> sequencer client latency over %d reports (emulated guest): median "
        "%.0f us, p90 %.0f us, p95 %.0f us, p99 %.0f us, max %.0f us\n",
        kReports, median, at(90), at(95), p99, microseconds.back());
    RecordProperty("median_us", std::to_string(median));
    RecordProperty("p99_us", std::to_string(p99));
    EXPECT_LT(median, 100000.0);
}

}  // namespace
}  // namespace qmt::vm
