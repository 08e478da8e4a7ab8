// qmtasio-pipewire against a real PipeWire daemon of the test's own (a private runtime folder,
// no session manager: the test links the ports itself with pw-link). The second brand's
// simulated KRT4 drives the graph: its card's known signal must arrive, through the source
// node, in pw-record's file on the right channels, and what pw-play sends to the sink must
// reach the card's render side unchanged. Skips, saying why, where PipeWire's programs are
// missing or the daemon does not start.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/WavFile.h"
#include "tests/platform/TempFolder.h"

extern char** environ;

namespace qmt {
namespace {

// Lets a stream's ports exist without a session manager configuring them.
constexpr const char* kOwnPorts =
    "adapter.auto-port-config = { mode = dsp monitor = false control = false position = "
    "preserve }";

bool onPath(const std::string& program) {
    return std::system(("command -v " + program + " > /dev/null 2>&1").c_str()) == 0;
}

class Child {
  public:
    Child(const std::vector<std::string>& argv, const std::string& log) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() { stop(SIGKILL); }
    // Exit status, or -1 if it did not end within the time.
    int stop(int signal, std::chrono::seconds limit = std::chrono::seconds(5)) {
        if (pid_ <= 0) return -1;
        if (signal != 0) ::kill(pid_, signal);
        const auto end = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                pid_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool running() const { return pid_ > 0; }

  private:
    pid_t pid_ = -1;
};

std::string output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, read);
        ::pclose(pipe);
    }
    return text;
}

// Real processes start in their own time: waits up to `limit` for the condition.
bool eventually(const std::function<bool()>& condition, double limit = 10.0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(limit);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

bool hasPort(const std::string& port) {
    return output("pw-link -o -i 2>/dev/null").find(port + "\n") != std::string::npos;
}

bool link(const std::string& from, const std::string& to) {
    return std::system(("pw-link '" + from + "' '" + to + "' > /dev/null 2>&1").c_str()) == 0;
}

struct ChannelShape {
    int32_t peak = 0;
    double hertz = 0;
};

// The peak and, by its upward zero crossings, the frequency of one channel's frames from
// `skip` to `until`.
ChannelShape shapeOf(const WavData& data, unsigned channel, size_t skip, size_t until = SIZE_MAX) {
    until = std::min(until, data.frames());
    ChannelShape shape;
    const unsigned channels = data.format.channels;
    int crossings = 0;
    int32_t before = 0;
    for (size_t frame = skip; frame < until; ++frame) {
        const int32_t now = data.samples[frame * channels + channel];
        shape.peak = std::max(shape.peak, std::abs(now));
        if (before < 0 && now >= 0) ++crossings;
        before = now;
    }
    const size_t frames = until > skip ? until - skip : 1;
    shape.hertz = crossings * static_cast<double>(data.format.sampleRate) / frames;
    return shape;
}

// The frequency of one channel's frames from `skip` to `until`, by the median distance of
// its upward zero crossings: a cycle the graph drops while links are being made leaves one
// long distance, which the median ignores where a plain count of crossings would not.
double medianHertzOf(const WavData& data, unsigned channel, size_t skip, size_t until) {
    until = std::min(until, data.frames());
    std::vector<size_t> distances;
    size_t last = 0;
    int32_t before = 0;
    for (size_t frame = skip; frame < until; ++frame) {
        const int32_t now = data.samples[frame * data.format.channels + channel];
        if (before < 0 && now >= 0) {
            if (last != 0) distances.push_back(frame - last);
            last = frame;
        }
        before = now;
    }
    if (distances.empty()) return 0;
    std::nth_element(distances.begin(), distances.begin() + distances.size() / 2, distances.end());
    return static_cast<double>(data.format.sampleRate) / distances[distances.size() / 2];
}

class PipeWireDaemonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* program : {"pipewire", "pw-record", "pw-play", "pw-link", "pw-cli"}) {
            if (!onPath(program))
                GTEST_SKIP() << program
                             << " is not installed (apt-get install pipewire "
                                "pipewire-bin)";
        }
        ::setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
        ::setenv("PIPEWIRE_RUNTIME_DIR", folder_.path().c_str(), 1);
        ::setenv("QMT_REGISTRY_DIR", folder_.path().c_str(), 1);
        ::unsetenv("PIPEWIRE_REMOTE");
        daemon_ = std::make_unique<Child>(std::vector<std::string>{"pipewire"},
                                          folder_.file("pipewire.log"));
        if (!eventually([] { return std::system("pw-cli info 0 > /dev/null 2>&1") == 0; })) {
            GTEST_SKIP() << "the PipeWire daemon did not start here: "
                         << folder_.read("pipewire.log");
        }
    }
    void TearDown() override {
        if (daemon_) daemon_->stop(SIGTERM);
    }

    // The front end over the simulated KRT4; null if its ports do not come.
    std::unique_ptr<Child> startFrontEnd(const char* seconds = "5") {
        auto child = std::make_unique<Child>(
            std::vector<std::string>{QMTASIO_PIPEWIRE_PATH, "--simulate", "--verbose", "--library",
                                     BRX_ASIO_LIBRARY, "--sim-render", folder_.file("render"),
                                     "--seconds", seconds},
            folder_.file("front-end.log"));
        if (!eventually([] { return hasPort("qmt_asio.capture:capture_AUX15"); })) return nullptr;
        return child;
    }
    // pw-record of inputs 1 to 3 into recorded.wav, linked; null if that fails.
    std::unique_ptr<Child> startRecorder() {
        const std::string ownPorts = std::string("{ node.name = rec ") + kOwnPorts + " }";
        auto child = std::make_unique<Child>(
            std::vector<std::string>{"pw-record", "--rate", "44100", "--channels", "3",
                                     "--channel-map", "AUX0,AUX1,AUX2", "--format", "s16", "-P",
                                     ownPorts, folder_.file("recorded.wav")},
            folder_.file("recorder.log"));
        if (!eventually([] { return hasPort("rec:input_AUX2"); })) return nullptr;
        for (const char* channel : {"AUX0", "AUX1", "AUX2"}) {
            if (!link(std::string("qmt_asio.capture:capture_") + channel,
                      std::string("rec:input_") + channel)) {
                return nullptr;
            }
        }
        return child;
    }

    TempFolder folder_;
    std::unique_ptr<Child> daemon_;
};

TEST_F(PipeWireDaemonTest, TheCardsSignalReachesARecorderAndAPlayersSoundReachesTheCard) {
    // Two seconds of a 440 Hz tone at different levels on the two channels.
    WavData tone{{44100, 2, 16}, {}};
    for (int frame = 0; frame < 88200; ++frame) {
        const double wave = std::sin(2 * M_PI * 440 * frame / 44100.0);
        tone.samples.push_back(static_cast<int32_t>(std::lround(8000 * wave)));
        tone.samples.push_back(static_cast<int32_t>(std::lround(-16000 * wave)));
    }
    std::string error;
    ASSERT_TRUE(writeWavFile(folder_.file("tone.wav"), tone, error)) << error;

    std::unique_ptr<Child> frontEnd = startFrontEnd();
    ASSERT_TRUE(frontEnd) << folder_.read("front-end.log");
    const std::string nodes = output("pw-cli ls Node");
    EXPECT_NE(nodes.find("media.class = \"Audio/Source\""), std::string::npos) << nodes;
    EXPECT_NE(nodes.find("media.class = \"Audio/Sink\""), std::string::npos) << nodes;
    EXPECT_NE(nodes.find("node.description = \"BRX ASIO\""), std::string::npos) << nodes;
    ASSERT_TRUE(hasPort("qmt_asio.playback:playback_AUX15"));

    std::unique_ptr<Child> recorder = startRecorder();
    ASSERT_TRUE(recorder) << folder_.read("recorder.log");
    const std::string playerPorts = std::string("{ node.name = play ") + kOwnPorts + " }";
    Child player({"pw-play", "-P", playerPorts, folder_.file("tone.wav")},
                 folder_.file("player.log"));
    ASSERT_TRUE(eventually([] { return hasPort("play:output_FR"); })) << folder_.read("player.log");
    ASSERT_TRUE(link("play:output_FL", "qmt_asio.playback:playback_AUX0"));
    ASSERT_TRUE(link("play:output_FR", "qmt_asio.playback:playback_AUX1"));

    EXPECT_EQ(player.stop(0, std::chrono::seconds(10)), 0) << folder_.read("player.log");
    recorder->stop(SIGINT);
    ASSERT_EQ(frontEnd->stop(0, std::chrono::seconds(15)), 0) << folder_.read("front-end.log");
    const std::string log = folder_.read("front-end.log");
    EXPECT_NE(log.find("source streaming  sink streaming"), std::string::npos) << log;

    WavData recorded;
    ASSERT_TRUE(readWavFile(folder_.file("recorded.wav"), recorded, error)) << error;
    ASSERT_EQ(recorded.format.channels, 3);
    ASSERT_GT(recorded.frames(), 44100u) << "a second of recording at least";
    // The KRT4's inputs 1 and 2 play sines of 1 and 2 kHz at half scale; input 3 has no card.
    const size_t skip = 4410;  // links are made while recording runs
    const ChannelShape first = shapeOf(recorded, 0, skip);
    const ChannelShape second = shapeOf(recorded, 1, skip);
    EXPECT_NEAR(first.peak, 16384, 2);
    EXPECT_NEAR(first.hertz, 1000, 5);
    EXPECT_NEAR(second.peak, 16384, 2);
    EXPECT_NEAR(second.hertz, 2000, 10);
    EXPECT_EQ(shapeOf(recorded, 2, 0).peak, 0);

    WavData rendered;
    ASSERT_TRUE(readWavFile(folder_.file("render/KRT4-A-render.wav"), rendered, error)) << error;
    ASSERT_GE(rendered.format.channels, 3);
    // The tone's own peaks, unchanged in level; the outputs nobody plays to stay silent.
    EXPECT_EQ(shapeOf(rendered, 0, 0).peak, 8000);
    EXPECT_EQ(shapeOf(rendered, 1, 0).peak, 16000);
    size_t start = 0;
    while (start < rendered.frames() && rendered.samples[start * rendered.format.channels] == 0)
        ++start;
    // A tenth of a second from where the tone starts: 440 Hz within a one-frame period error.
    EXPECT_NEAR(medianHertzOf(rendered, 0, start, start + 4410), 440, 5);
    EXPECT_EQ(shapeOf(rendered, 2, 0).peak, 0);
}

TEST_F(PipeWireDaemonTest, APanelsNewBufferSizeBecomesTheQuantumWhileProgramsStayLinked) {
    std::unique_ptr<Child> frontEnd = startFrontEnd();
    ASSERT_TRUE(frontEnd) << folder_.read("front-end.log");
    std::unique_ptr<Child> recorder = startRecorder();
    ASSERT_TRUE(recorder) << folder_.read("recorder.log");
    ASSERT_TRUE(eventually([this] {
        return folder_.read("front-end.log").find("source streaming") != std::string::npos;
    }));
    // What the control panel does on "OK": the new size (index 9: 10 ms) in the user's
    // settings, then the driver's named event.
    folder_.write("user.reg",
                  "Windows Registry Editor Version 5.00\n\n"
                  "[HKEY_CURRENT_USER\\Software\\BRX\\BRXASIO]\n"
                  "\"Buffer Size\"=dword:00000009\n");
    folder_.write("qmt/events/BRXASIOConfigurationChanged", "x");
    ASSERT_TRUE(eventually([this] {
        return folder_.read("front-end.log").find("buffer size 486 frames") != std::string::npos;
    })) << folder_.read("front-end.log");
    EXPECT_NE(output("pw-dump").find("\"node.force-quantum\": 486"), std::string::npos);
    ASSERT_EQ(frontEnd->stop(0, std::chrono::seconds(15)), 0) << folder_.read("front-end.log");
    recorder->stop(SIGINT);
    const std::string log = folder_.read("front-end.log");
    EXPECT_NE(log.find("quantum 486  rate 44100"), std::string::npos) << log;

    // The recording goes on through the reset: half a second before its end (the front end
    // stopping ends it) still holds the sine.
    WavData recorded;
    std::string error;
    ASSERT_TRUE(readWavFile(folder_.file("recorded.wav"), recorded, error)) << error;
    ASSERT_GT(recorded.frames(), 44100u);
    const ChannelShape end =
        shapeOf(recorded, 0, recorded.frames() - 30000, recorded.frames() - 8000);
    EXPECT_NEAR(end.peak, 16384, 2);
    EXPECT_NEAR(end.hertz, 1000, 20);
}

TEST_F(PipeWireDaemonTest, AControllerPulledOutWhileStreamingLeavesSilenceAndNoStall) {
    // Seconds after the driver's simulation starts.
    ::setenv("QMT_SIM_HOTPLUG", "KRT4-A:unplug@3", 1);
    std::unique_ptr<Child> frontEnd = startFrontEnd("6");
    ::unsetenv("QMT_SIM_HOTPLUG");
    ASSERT_TRUE(frontEnd) << folder_.read("front-end.log");
    std::unique_ptr<Child> recorder = startRecorder();
    ASSERT_TRUE(recorder) << folder_.read("recorder.log");
    EXPECT_TRUE(hasPort("qmt_asio.capture:capture_AUX0"));
    ASSERT_EQ(frontEnd->stop(0, std::chrono::seconds(15)), 0) << folder_.read("front-end.log");
    recorder->stop(SIGINT);

    // The switches kept their pace after the cable was pulled (the driver's timer takes
    // over): every report adds about a second of them (166 a second at 265 frames).
    const std::string log = folder_.read("front-end.log");
    std::vector<long> switches;
    for (size_t at = log.find("  switches "); at != std::string::npos;
         at = log.find("  switches ", at + 1)) {
        switches.push_back(std::strtol(log.c_str() + at + 11, nullptr, 10));
    }
    ASSERT_GE(switches.size(), 5u) << log;
    for (size_t i = 1; i + 1 < switches.size(); ++i)
        EXPECT_GT(switches[i] - switches[i - 1], 100) << log;

    // The recording holds the sine before the unplug and silence at its end.
    WavData recorded;
    std::string error;
    ASSERT_TRUE(readWavFile(folder_.file("recorded.wav"), recorded, error)) << error;
    ASSERT_GT(recorded.frames(), 3u * 44100u);
    EXPECT_NEAR(shapeOf(recorded, 0, 4410, 22050).peak, 16384, 2);
    EXPECT_EQ(shapeOf(recorded, 0, recorded.frames() - 44100, recorded.frames() - 8000).peak, 0);
}

}  // namespace
}  // namespace qmt
