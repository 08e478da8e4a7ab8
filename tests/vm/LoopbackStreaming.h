#pragma once
// The driver library streaming through two loopback cards that stand in for two ARDO
// controllers' cards (six outputs each): a device tree in a temporary folder names the cards
// as the ARDOs' sound cards (the library reads it through QMT_SYSFS_ROOT), the host is
// qmtasiohost playing a WAV file of sines (one tone per output it plays to), and the far
// side of each card's loop (device 1, substream 0) is recorded by the test at the rate it
// holds the cable to, so the driver finds one card taking only 44.1 kHz and the other only
// 48 kHz. (The loopback cable takes on the format of whichever end is set up first.)
//
// Shared by the guest tests and the measurement program (tests/vm/LoopbackMeasure.cpp).
// Threads: each FarSideRecorder reads on a thread of its own between start() and stop().

#include <alsa/asoundlib.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qmt::test {
class FakeSysfs;
}

namespace qmt::vm {

// An ARDO card's channels: both decks and the headphones, in stereo.
constexpr unsigned kLoopChannels = 6;

// Records a loopback card's device 1, substream 0 (what the driver plays on device 0 comes
// out there): six channels, 16 bits, at the rate given, which the cable then keeps for the other
// end too. Also samples the stream's position against the monotonic clock, for the card's
// real rate.
class FarSideRecorder {
  public:
    // Keeps the first `kept` channels of each frame (a long run keeps two, for memory).
    FarSideRecorder(int card, unsigned rate, unsigned kept = kLoopChannels);
    ~FarSideRecorder();
    FarSideRecorder(const FarSideRecorder&) = delete;
    FarSideRecorder& operator=(const FarSideRecorder&) = delete;

    bool ok() const { return pcm_ != nullptr; }
    const std::string& error() const { return error_; }
    unsigned rate() const { return rate_; }
    unsigned keptChannels() const { return kept_; }
    // Room for that many seconds up front, so a long recording is not copied as it grows.
    void reserve(double seconds) { frames_.reserve(static_cast<size_t>(seconds * rate_) * kept_); }
    void start();
    void stop();
    // After stop(): the interleaved frames and how often the recorder itself overran.
    const std::vector<int16_t>& frames() const { return frames_; }
    unsigned overruns() const { return overruns_; }
    const std::string& lastError() const { return lastError_; }
    // The card's rate against the monotonic clock, in parts per million off its nominal rate
    // (a least-squares line through the positions sampled since the last overrun). The far
    // end pauses while the driver's end underruns, so only a clean stream gives the cable's
    // true rate.
    double measuredPpm() const;

  private:
    void run();

    snd_pcm_t* pcm_ = nullptr;
    unsigned rate_;
    unsigned kept_;
    std::string error_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::vector<int16_t> frames_;
    unsigned overruns_ = 0;
    std::string lastError_;
    std::vector<std::pair<double, double>> positions_;  // (seconds, frames)
};

// One channel of a far-side recording, checked as the sine the host played.
struct ToneCheck {
    double hz = 0;       // from the zero crossings of the steady part
    double peak = 0;     // the largest sample
    double seconds = 0;  // how long the tone lasted
    // Places where the samples leave the sine (a gap, a repeat, a jump): counted once per
    // 10 ms, and when the first came, in seconds from the tone's start (negative: none).
    unsigned glitches = 0;
    double firstGlitchSeconds = -1;
};

// `hz` is the tone the channel should carry, which the glitch check assumes; 0 takes the one
// measured.
ToneCheck CheckTone(const std::vector<int16_t>& frames, unsigned channels, unsigned channel,
                    unsigned rate, double hz);

// Whether the guest's processor is QEMU's software emulation (no KVM on this machine): then a
// program gets a fraction of a real core, system calls cost tens of microseconds, and a
// real-time deadline of a few milliseconds is not kept by anything, this driver or another.
bool GuestIsEmulated();

// A 16-bit WAV file at 48 kHz of `seconds`, channel c a sine of hz[c] at a quarter of full
// scale. Each tone must fit a whole number of periods into 48000 frames (400, 600, 800 Hz...):
// the file is then a table repeated, which even an emulated guest writes at once.
bool WriteToneFile(const std::string& path, double seconds, const std::vector<unsigned>& hz,
                   std::string& error);

// Two ARDO controllers in a device-tree folder, their sound cards the loopback cards given;
// or one KRT4 whose card, playing and capturing, is the loopback card given.
class LoopbackControllers {
  public:
    LoopbackControllers(int firstCard, int secondCard);
    explicit LoopbackControllers(int krt4Card);
    ~LoopbackControllers();
    LoopbackControllers(const LoopbackControllers&) = delete;
    LoopbackControllers& operator=(const LoopbackControllers&) = delete;
    const std::string& sysRoot() const;
    const std::string& registryFolder() const { return registry_; }

  private:
    std::unique_ptr<test::FakeSysfs> tree_;
    std::string registry_;
};

struct HostRun {
    int status = -1;  // qmtasiohost's exit status; 124 when it had to be stopped
    std::string output;
    uint64_t switches = 0;
    uint64_t missedHalves = 0;
    double periodMs = 0;
    double jitterMaxMs = 0;
    bool summarised = false;  // the summary line was found
};

// Runs qmtasiohost from `hostPath` on `library` over the controllers for `seconds` at
// `rate` with `bufferFrames`, playing `playFile` to `outputs` ("1,2,7,8"), with `more` of
// its options ("--record FILE --inputs 1") after those.
HostRun RunHost(const std::string& hostPath, const std::string& library,
                const LoopbackControllers& controllers, double seconds, int bufferFrames,
                const std::string& playFile, const std::string& outputs, unsigned rate = 48000,
                const std::string& more = "");

}  // namespace qmt::vm
