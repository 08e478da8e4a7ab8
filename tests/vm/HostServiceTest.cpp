// qmtmidi's real path in the guest: virtual controllers on /dev/uhid through hidraw, the
// driver, and the ALSA sequencer ports, as a DJ application sees them.

#include <alsa/asoundlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "HostServiceFixture.h"
#include "model/Catalogue.h"

namespace qmt::vm {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kKv10Play = 1u << 22;
constexpr uint32_t kKv10Menu = 1u << 10;

// The ARDO RAW control report at rest, with the device time in byte 3 and the buttons'
// word at 49-52 (see examples/sessions/ardo-raw.txt).
Bytes ArdoRawReport(uint8_t time, uint32_t buttons) {
    Bytes report(65, 0);
    report[2] = 0x35;
    report[3] = time;
    for (size_t i : {13, 15, 25, 27, 29, 31})
        report[i] = 0x80;
    for (size_t i = 16; i < 24; ++i)
        report[i] = 0xFF;
    report[48] = 0x03;
    for (int b = 0; b < 4; ++b)
        report[49 + b] = static_cast<uint8_t>(buttons >> (8 * b));
    return report;
}

// Sends one message straight to "QMT MIDI Out" from a client that never subscribes.
bool SendDirect(const Bytes& midi) {
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return false;
    snd_seq_set_client_name(seq, "qmt vm direct sender");
    const int port = snd_seq_create_simple_port(seq, "out", SND_SEQ_PORT_CAP_READ,
                                                SND_SEQ_PORT_TYPE_MIDI_GENERIC);
    snd_seq_addr_t dest{};
    snd_midi_event_t* codec = nullptr;
    bool sent = port >= 0 && snd_seq_parse_address(seq, &dest, "QMT MIDI:1") >= 0 &&
                snd_midi_event_new(64, &codec) >= 0;
    if (sent) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        sent = snd_midi_event_encode(codec, midi.data(), static_cast<long>(midi.size()), &event) ==
                   static_cast<long>(midi.size()) &&
               event.type != SND_SEQ_EVENT_NONE;
        snd_seq_ev_set_source(&event, port);
        snd_seq_ev_set_dest(&event, dest.client, dest.port);
        snd_seq_ev_set_direct(&event);
        sent = sent && snd_seq_event_output_direct(seq, &event) >= 0;
    }
    if (codec) snd_midi_event_free(codec);
    // The sender stays until the output reports were checked: its render stream lives as
    // long as its port does.
    if (!sent) snd_seq_close(seq);
    return sent;
}

// The LED group reports among the dry run's output (report 0x16): what the lights become.
Bytes LastLedReport(const std::vector<Bytes>& reports) {
    Bytes last;
    for (const Bytes& report : reports)
        if (report.size() > 1 && report[1] == 0x16) last = report;
    return last;
}

// Waits for an output report equal to `wanted`, skipping the others (mode reports, blinks,
// ring indicators: an ARDO's writer keeps writing, so the wait has one overall deadline).
bool WaitForOutput(VirtualController& controller, const Bytes& wanted) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        const auto report = controller.waitForOutputReport(left);
        if (!report) return false;
        if (*report == wanted) return true;
    }
}

TEST_F(HostServiceTest, Kv10ReportsBecomeMidiAtTheSubscribedApplication) {
    const std::string mapping = writeMapping("kv10", {{"", kModelKv10, 0, 0}});
    startService(mapping);
    subscribeAndSettle();
    auto kv10 = plug(Kv10Model(), "KV10A0001");
    ASSERT_TRUE(kv10);
    const std::vector<Bytes> reports{Kv10Report(0),
                                     Kv10Report(kKv10Play),
                                     Kv10Report(0),
                                     Kv10Report(kKv10Menu),
                                     Kv10Report(kKv10Menu | kKv10Play),
                                     Kv10Report(kKv10Menu)};
    const std::vector<Bytes> expected = dryRunMidi(mapping, kModelKv10, "KV10A0001", reports);
    // Checked by hand as well: "Play" is note 82 on channel 1, on channel 16 under "Menu".
    ASSERT_GE(expected.size(), 4u);
    EXPECT_EQ(expected[0], (Bytes{0x90, 0x52, 0x7F}));
    EXPECT_EQ(expected[1], (Bytes{0x90, 0x52, 0x00}));
    send(*kv10, reports);
    expectMidiEnding(expected);
}

TEST_F(HostServiceTest, ArdoRawReportsBecomeMidiAndMidiLightsItsLeds) {
    const std::string mapping = writeMapping("ardo-raw", {{"", kModelArdoRaw, 5, 0}});
    startService(mapping);
    subscribeAndSettle();
    auto ardo = plug(ArdoRawModel(), "ARDORAW01");
    ASSERT_TRUE(ardo);
    const std::vector<Bytes> reports{ArdoRawReport(0, 0), ArdoRawReport(10, 1u << 15),
                                     ArdoRawReport(20, 0)};
    const std::vector<Bytes> expected = dryRunMidi(mapping, kModelArdoRaw, "ARDORAW01", reports);
    ASSERT_GE(expected.size(), 2u) << "\"Play\" down and up at least";
    send(*ardo, reports);
    expectMidiEnding(expected);

    // An application echoes the "Play" note back: the LED report reaches the device.
    const Bytes echo{0x90, 0x4B, 0x7F};
    const Bytes lights =
        LastLedReport(dryRunOutput(mapping, kModelArdoRaw, "ARDORAW01", reports[0], echo));
    ASSERT_FALSE(lights.empty()) << "the dry run lit nothing";
    ASSERT_TRUE(app_->connectTo("QMT MIDI Out")) << app_->error();
    ASSERT_TRUE(app_->send(echo)) << app_->error();
    EXPECT_TRUE(WaitForOutput(*ardo, lights)) << "wanted " << Hex(lights);
}

TEST_F(HostServiceTest, MidiSentStraightToTheOutPortReachesTheController) {
    const std::string mapping = writeMapping("ardo-raw", {{"", kModelArdoRaw, 5, 0}});
    startService(mapping);
    subscribeAndSettle();
    auto ardo = plug(ArdoRawModel(), "ARDORAW02");
    ASSERT_TRUE(ardo);
    send(*ardo, {ArdoRawReport(0, 0)});
    const Bytes echo{0x90, 0x4B, 0x7F};
    const Bytes lights =
        LastLedReport(dryRunOutput(mapping, kModelArdoRaw, "ARDORAW02", ArdoRawReport(0, 0), echo));
    ASSERT_FALSE(lights.empty()) << "the dry run lit nothing";
    ASSERT_TRUE(SendDirect(echo));
    EXPECT_TRUE(WaitForOutput(*ardo, lights)) << "wanted " << Hex(lights);
}

// Sends `burst` to "QMT MIDI Out" and closes the sequencer client at once, as a program
// that sets its lights and quits does: `subscribed` connects to the port first, otherwise
// every event is addressed to it directly.
bool SendAndDisconnect(const std::vector<Bytes>& burst, bool subscribed) {
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return false;
    snd_seq_set_client_name(seq, "qmt vm burst sender");
    const int port =
        snd_seq_create_simple_port(seq, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC);
    snd_seq_addr_t dest{};
    snd_midi_event_t* codec = nullptr;
    bool sent = port >= 0 && snd_seq_parse_address(seq, &dest, "QMT MIDI:1") >= 0 &&
                snd_midi_event_new(64, &codec) >= 0 &&
                (!subscribed || snd_seq_connect_to(seq, port, dest.client, dest.port) >= 0);
    for (const Bytes& midi : burst) {
        if (!sent) break;
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_midi_event_reset_encode(codec);
        sent = snd_midi_event_encode(codec, midi.data(), static_cast<long>(midi.size()), &event) ==
                   static_cast<long>(midi.size()) &&
               event.type != SND_SEQ_EVENT_NONE;
        snd_seq_ev_set_source(&event, port);
        if (subscribed)
            snd_seq_ev_set_subs(&event);
        else
            snd_seq_ev_set_dest(&event, dest.client, dest.port);
        snd_seq_ev_set_direct(&event);
        sent = sent && snd_seq_event_output_direct(seq, &event) >= 0;
    }
    if (codec) snd_midi_event_free(codec);
    snd_seq_close(seq);
    return sent;
}

// Twenty programs in a row each set four LEDs of group 2 and quit at once, half of them
// subscribed and half addressing the port directly, with no application on "QMT MIDI In"
// (so the driver's worker stops with each of them): every burst's last state reaches the
// controller. The fourth LED changes with every burst, so no report before a burst's last
// message can look like its final state.
TEST_F(HostServiceTest, LightsSentJustBeforeTheSenderQuitsReachTheController) {
    const std::string mapping = writeMapping("ardo-raw", {{"", kModelArdoRaw, 5, 0}});
    startService(mapping);
    std::string error;
    auto ardo = VirtualController::Plug(ArdoRawModel(), "ARDORAWQUIT", error);
    ASSERT_TRUE(ardo) << error;
    ASSERT_FALSE(ardo->waitForHidraw(kPatience).empty()) << "no hidraw node";
    for (int burst = 0; burst < 20; ++burst) {
        std::vector<Bytes> messages;
        Bytes expected(33, 0);
        expected[1] = 22;  // ARDO RAW group 2: 23 LED bytes
        expected[2] = 25;
        for (int led = 0; led < 4; ++led) {
            const bool lit = led < 3 ? ((burst >> led) & 1) != 0 : burst % 2 == 0;
            const uint8_t velocity = lit ? 0x3F : 0x00;
            messages.push_back({0x90, static_cast<uint8_t>(0x3C + led), velocity});
            expected[3 + led] = lit ? 0xF0 : 0x00;  // slot 5 is the second preset: high half
        }
        ASSERT_TRUE(SendAndDisconnect(messages, burst % 2 == 1)) << "burst " << burst;
        EXPECT_TRUE(WaitForOutput(*ardo, expected)) << "burst " << burst << ": " << Hex(expected);
    }
}

TEST_F(HostServiceTest, UnplugWhileReadingRemovesTheHandlerAndTheServiceGoesOn) {
    const std::string mapping = writeMapping("kv10", {{"", kModelKv10, 0, 0}});
    startService(mapping);
    subscribeAndSettle();
    auto first = plug(Kv10Model(), "KV10UNPLUG");
    ASSERT_TRUE(first);
    send(*first, {Kv10Report(0), Kv10Report(kKv10Play)});
    ASSERT_TRUE(waitForMidi({0x90, 0x52, 0x7F}));
    // The reader is blocked in its next read when the cable goes.
    first->unplug();
    // A controller plugged afterwards is served: the worker and the port lived on.
    // Plugged in again: the entry it took still names it by its serial.
    auto second = plug(Kv10Model(), "KV10UNPLUG");
    ASSERT_TRUE(second);
    send(*second, {Kv10Report(0), Kv10Report(kKv10Play), Kv10Report(0)});
    expectMidiEnding({{0x90, 0x52, 0x7F}, {0x90, 0x52, 0x00}});
    EXPECT_TRUE(service_.running());
}

TEST_F(HostServiceTest, TwoControllersWithDifferentSerialsGetTheirOwnEntries) {
    const std::string mapping =
        writeMapping("two", {{"KV10LEFT1", kModelKv10, 0, 2}, {"KV10RIGHT", kModelKv10, 0, 5}});
    startService(mapping);
    subscribeAndSettle();
    // The right-hand controller comes first, so the order of arrival cannot pick the entry.
    auto right = plug(Kv10Model(), "KV10RIGHT");
    auto left = plug(Kv10Model(), "KV10LEFT1");
    ASSERT_TRUE(left && right);
    send(*left, {Kv10Report(0), Kv10Report(kKv10Play)});
    EXPECT_TRUE(waitForMidi({0x92, 0x52, 0x7F})) << "channel 3 for KV10LEFT1";
    send(*right, {Kv10Report(0), Kv10Report(kKv10Play)});
    EXPECT_TRUE(waitForMidi({0x95, 0x52, 0x7F})) << "channel 6 for KV10RIGHT";
}

TEST_F(HostServiceTest, ReloadThroughTheControlSocketAppliesTheNewSelection) {
    const std::string before = writeMapping("before", {{"", kModelKv10, 0, 0}});
    const std::string after = writeMapping("after", {{"", kModelKv10, 0, 9}});
    startService(before);
    subscribeAndSettle();
    auto kv10 = plug(Kv10Model(), "KV10RELOAD");
    ASSERT_TRUE(kv10);
    send(*kv10, {Kv10Report(0), Kv10Report(kKv10Play), Kv10Report(0)});
    ASSERT_TRUE(waitForMidi({0x90, 0x52, 0x00}));

    ASSERT_TRUE(service_.setSelectedMapping(after));
    ASSERT_TRUE(reloadThroughControlSocket());
    const size_t reloaded = received_.size();
    // New presets start their decoder afresh: the first report only initialises again.
    send(*kv10, {Kv10Report(0), Kv10Report(kKv10Play)});
    EXPECT_TRUE(waitForMidi({0x99, 0x52, 0x7F})) << "\"Play\" on channel 10 after the reload";
    for (size_t i = reloaded; i < received_.size(); ++i)
        EXPECT_NE(received_[i], (Bytes{0x90, 0x52, 0x7F})) << "the old preset still answered";
}

// Receives until `fence` arrives; the messages before it.
std::vector<Bytes> ReceiveUntil(SequencerClient& client, const Bytes& fence) {
    std::vector<Bytes> seen;
    while (const auto message = client.receive(10s)) {
        if (message->bytes == fence) return seen;
        seen.push_back(message->bytes);
    }
    ADD_FAILURE() << "no " << Hex(fence);
    return seen;
}

// Two applications on "QMT MIDI In" have a capture stream each, yet each gets every
// message once; when the older one leaves, the other still gets everything.
TEST_F(HostServiceTest, TwoApplicationsEachReceiveEveryMessageOnce) {
    const std::string mapping = writeMapping("kv10", {{"", kModelKv10, 0, 0}});
    startService(mapping);
    subscribeAndSettle();
    std::string error;
    auto second = SequencerClient::Open("qmt vm second application", error);
    ASSERT_TRUE(second) << error;
    ASSERT_TRUE(second->subscribeFrom("QMT MIDI In")) << second->error();
    ASSERT_TRUE(second->receive(kPatience)) << "no state refresh for the second application";
    auto kv10 = plug(Kv10Model(), "KV10TWOAPP");
    ASSERT_TRUE(kv10);
    const Bytes play{0x90, 0x52, 0x7F};
    const Bytes fence{0x90, 0x52, 0x00};  // "Play" released: a second copy would come after
    send(*kv10, {Kv10Report(0), Kv10Report(kKv10Play), Kv10Report(0)});
    for (SequencerClient* app : {app_.get(), second.get()}) {
        const auto seen = ReceiveUntil(*app, fence);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), play), 1) << "in " << app->address().client;
    }
    ASSERT_TRUE(app_->unsubscribeFrom("QMT MIDI In")) << app_->error();
    send(*kv10, {Kv10Report(kKv10Play), Kv10Report(0)});
    const auto seen = ReceiveUntil(*second, fence);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), play), 1);
}

// aseqdump, the tool a user would reach for, sees the controller's notes too.
TEST_F(HostServiceTest, AseqdumpShowsTheControllersNotes) {
    const std::string mapping = writeMapping("kv10", {{"", kModelKv10, 0, 0}});
    startService(mapping);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t dump = ::fork();
    if (dump == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execlp("aseqdump", "aseqdump", "-p", "QMT MIDI:0", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    ASSERT_GT(dump, 0);
    std::string printed;
    auto readUntil = [&](const std::string& text) {
        char buffer[512];
        while (printed.find(text) == std::string::npos) {
            pollfd fd{out[0], POLLIN, 0};
            if (::poll(&fd, 1, 10000) <= 0) return false;
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n <= 0) return false;
            printed.append(buffer, static_cast<size_t>(n));
        }
        return true;
    };
    // aseqdump prints its header once it is subscribed.
    EXPECT_TRUE(readUntil("Source")) << printed;
    auto kv10 = plug(Kv10Model(), "KV10DUMP1");
    ASSERT_TRUE(kv10);
    send(*kv10, {Kv10Report(0), Kv10Report(kKv10Play)});
    EXPECT_TRUE(readUntil("note 82, velocity 127")) << printed;
    ::kill(dump, SIGTERM);
    ::waitpid(dump, nullptr, 0);
    ::close(out[0]);
}

}  // namespace
}  // namespace qmt::vm
