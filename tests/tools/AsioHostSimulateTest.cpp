// qmtasiohost --simulate from end to end, as the README's demo runs it: the second brand's
// simulated KRT4 records its card's known signal into a WAV file, and that file played back
// reaches the card's render side sample for sample. The host runs in real time for a second
// or so; what is checked does not depend on how the time went (a late host leaves gaps of
// silence in what the card plays, which the check steps over).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "common/WavFile.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

std::string shellQuote(const std::string& text) {
    return "'" + text + "'";
}

// Runs the host with the environment of a fresh user (plus `environment`, NAME=VALUE words);
// returns its exit status.
int runHost(const TempFolder& folder, const std::string& arguments,
            const std::string& environment = "") {
    const std::string command = environment + " QMT_REGISTRY_DIR=" + shellQuote(folder.path()) +
                                " XDG_RUNTIME_DIR=" + shellQuote(folder.path()) + " " +
                                shellQuote(QMTASIOHOST_PATH) + " --simulate --quiet --library " +
                                shellQuote(BRX_ASIO_LIBRARY) + " " + arguments + " > " +
                                shellQuote(folder.file("host.log")) + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

size_t firstSound(const WavData& data, unsigned channel) {
    for (size_t frame = 0; frame < data.frames(); ++frame) {
        if (data.samples[frame * data.format.channels + channel] != 0) return frame;
    }
    return data.frames();
}

TEST(AsioHostSimulateTest, RecordsTheKnownSignalAndPlaysAFileIntoTheCard) {
    TempFolder folder;
    ASSERT_EQ(runHost(folder, "--seconds 1 --silence --record " +
                                  shellQuote(folder.file("capture.wav")) + " --inputs 1,2"),
              0)
        << folder.read("host.log");
    WavData capture;
    std::string error;
    ASSERT_TRUE(readWavFile(folder.file("capture.wav"), capture, error)) << error;
    EXPECT_EQ(capture.format.sampleRate, 44100u);
    EXPECT_EQ(capture.format.channels, 2);
    EXPECT_EQ(capture.format.bitsPerSample, 16);
    // The card's signal: channel c is a sine of (c + 1) kHz at half scale.
    for (unsigned channel = 0; channel < 2; ++channel) {
        const size_t start = firstSound(capture, channel);
        ASSERT_LT(start + 4410, capture.frames()) << "a tenth of a second of sound at least";
        int crossings = 0;
        int32_t peak = 0;
        for (size_t frame = start; frame < start + 4410; ++frame) {
            const int32_t now = capture.samples[frame * 2 + channel];
            const int32_t next = capture.samples[(frame + 1) * 2 + channel];
            crossings += (now < 0) != (next < 0) ? 1 : 0;
            peak = std::max(peak, std::abs(now));
        }
        EXPECT_NEAR(crossings, 200 * (channel + 1), 4) << "channel " << channel;
        EXPECT_NEAR(peak, 16384, 200) << "channel " << channel;
    }

    ASSERT_EQ(
        runHost(folder, "--seconds 1 --play " + shellQuote(folder.file("capture.wav")) +
                            " --outputs 1,2 --sim-render " + shellQuote(folder.file("cards"))),
        0)
        << folder.read("host.log");
    WavData played;
    ASSERT_TRUE(readWavFile(folder.file("cards/KRT4-A-render.wav"), played, error)) << error;
    EXPECT_EQ(played.format.sampleRate, 44100u);
    for (unsigned channel = 0; channel < 2; ++channel) {
        const size_t from = firstSound(capture, channel);
        size_t at = firstSound(played, channel);
        // A host that a busy machine makes late leaves the card without a request for a
        // moment: it plays silence there. Those gaps aside, every sample is the file's.
        for (size_t n = 0; n < 4410; ++at) {
            ASSERT_LT(at, played.frames()) << "channel " << channel << " frame " << n;
            const int32_t got = played.samples[at * played.format.channels + channel];
            const int32_t expected = capture.samples[(from + n) * 2 + channel];
            if (got == expected) {
                ++n;
                continue;
            }
            ASSERT_EQ(got, 0) << "channel " << channel << " frame " << n << ": " << expected;
        }
    }
}

// The KRT4's cable pulled at 0.5 s and plugged back at 1.5 s, both between two of the
// registry's passes (every 5 s): the input goes silent while the card is away and carries its
// signal again after the pass that follows the replug. The margins are seconds wide, so a
// busy machine does not change the outcome.
TEST(AsioHostSimulateTest, RepluggedKrt4RejoinsTheRunningStream) {
    TempFolder folder;
    ASSERT_EQ(runHost(folder,
                      "--seconds 6.5 --silence --outputs 1-8 --record " +
                          shellQuote(folder.file("capture.wav")) + " --inputs 1",
                      "QMT_SIM_HOTPLUG='KRT4-A:unplug@0.5,plug@1.5'"),
              0)
        << folder.read("host.log");
    WavData capture;
    std::string error;
    ASSERT_TRUE(readWavFile(folder.file("capture.wav"), capture, error)) << error;
    const size_t rate = capture.format.sampleRate;
    ASSERT_GE(capture.frames(), 6 * rate) << folder.read("host.log");
    const auto peak = [&](double from, double to) {
        int32_t most = 0;
        for (auto frame = static_cast<size_t>(from * rate); frame < static_cast<size_t>(to * rate);
             ++frame)
            most = std::max(most, std::abs(capture.samples[frame]));
        return most;
    };
    EXPECT_NEAR(peak(0.1, 0.4), 16384, 200) << "the card's sine before the unplug";
    EXPECT_EQ(peak(1.0, 4.0), 0) << "silence while the card is away";
    EXPECT_NEAR(peak(capture.frames() / double(rate) - 0.5, capture.frames() / double(rate)), 16384,
                200)
        << "the card's sine again after the replug";

    // A schedule naming no simulated controller is refused with a word, not silently ignored.
    ASSERT_EQ(runHost(folder, "--seconds 0.2 --silence", "QMT_SIM_HOTPLUG='KRT9-Z:unplug@0.1'"), 0);
    EXPECT_NE(folder.read("host.log")
                  .find("no simulated controller has the serial number "
                        "\"KRT9-Z\""),
              std::string::npos)
        << folder.read("host.log");
}

}  // namespace
}  // namespace qmt
