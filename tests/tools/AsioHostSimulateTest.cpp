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

// Runs the host with the environment of a fresh user; returns its exit status.
int runHost(const TempFolder& folder, const std::string& arguments) {
    const std::string command = "QMT_REGISTRY_DIR=" + shellQuote(folder.path()) +
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

}  // namespace
}  // namespace qmt
