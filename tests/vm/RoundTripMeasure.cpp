// qmt_roundtrip_measure: the driver's round-trip latency through one loopback card, run on
// request inside the test guest (never by CI).
//
//   qmt_roundtrip_measure [--prefill FRAMES] [--period FRAMES] SECONDS BUFFER
//
// A device tree names the loopback card as a KRT4's card, playing and capturing, and a copier
// of our own holds the card's far side (device 1, substream 0) at 4 channels, 16 bits,
// 44.1 kHz before the driver looks at it, so the driver finds the KRT4 in its 4-in/4-out
// mode. qmtasiohost then plays a pseudo-random burst once a second to output 1 and records
// input 1; what the driver plays comes out on the far side's capture, the copier writes it to
// the far side's playback, and it comes back on the driver's capture. The delay of each
// burst between the played and the recorded stream (both count frames from the host's first
// buffer switch, on the card's clock) less the copier's own delay is the driver's round trip.
//
// The copier's delay is fixed by construction: its playback starts with PREFILL frames of
// silence, linked to its capture so both start on the same tick, and every frame read is
// written behind them, so each frame leaves PREFILL frames after it arrived for as long as
// the copier keeps up (it reads PERIOD frames at a time), were both ends' positions to move
// together. The loopback card moves them a timer tick at a time, so the delay is sampled
// after every write as ALSA reports it (queued playback plus unread capture: how long the
// frames now waiting will take to come out), and its median is what is subtracted. When the
// copier falls behind both ends are stopped and started the same way again, and counted.

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackCard.h"
#include "LoopbackStreaming.h"
#include "PulseDelay.h"
#include "common/WavFile.h"
#include "platform/linux/AlsaParams.h"

namespace qmt::vm {
namespace {

constexpr unsigned kRate = 44100;  // the KRT4 runs at 44.1 kHz only
constexpr unsigned kChannels = 4;  // its 4-in/4-out mode
// Short enough to fit between two missed halves of the starved guest more often than not.
constexpr size_t kBurstFrames = 64;
constexpr int32_t kBurstLevel = 8192;  // a quarter of 16-bit full scale
constexpr uint32_t kBurstSeed = 0x51a7e;
// Above the driver's streaming thread (20): the copier stands in for the hardware's cable.
constexpr int kCopierPriority = 30;

// Exact period and buffer sizes (the copier's delay is computed from them), started only by
// the copier itself, woken for every period.
int configure(snd_pcm_t* pcm, snd_pcm_uframes_t period, snd_pcm_uframes_t buffer) {
    AlsaHwParams hw;
    AlsaSwParams sw;
    int error = 0;
    snd_pcm_uframes_t boundary = 0;
    if ((error = snd_pcm_hw_params_any(pcm, hw.params)) < 0 ||
        (error = snd_pcm_hw_params_set_access(pcm, hw.params, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (error = snd_pcm_hw_params_set_format(pcm, hw.params, SND_PCM_FORMAT_S16_LE)) < 0 ||
        (error = snd_pcm_hw_params_set_channels(pcm, hw.params, kChannels)) < 0 ||
        (error = snd_pcm_hw_params_set_rate(pcm, hw.params, kRate, 0)) < 0 ||
        (error = snd_pcm_hw_params_set_period_size(pcm, hw.params, period, 0)) < 0 ||
        (error = snd_pcm_hw_params_set_buffer_size_near(pcm, hw.params, &buffer)) < 0 ||
        (error = snd_pcm_hw_params(pcm, hw.params)) < 0 ||
        (error = snd_pcm_sw_params_current(pcm, sw.params)) < 0 ||
        (error = snd_pcm_sw_params_get_boundary(sw.params, &boundary)) < 0 ||
        (error = snd_pcm_sw_params_set_start_threshold(pcm, sw.params, boundary)) < 0 ||
        (error = snd_pcm_sw_params_set_avail_min(pcm, sw.params, period)) < 0 ||
        (error = snd_pcm_sw_params(pcm, sw.params)) < 0)
        return error;
    return 0;
}

// The far side's loop: capture of device 1 to playback of device 1, substream 0 both.
class FarSideCopier {
  public:
    FarSideCopier(int card, snd_pcm_uframes_t period, snd_pcm_uframes_t prefill)
        : period_(period), prefill_(prefill) {
        const std::string device = "hw:" + std::to_string(card) + ",1,0";
        int error = snd_pcm_open(&capture_, device.c_str(), SND_PCM_STREAM_CAPTURE, 0);
        if (error == 0)
            error = snd_pcm_open(&playback_, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
        // The capture keeps half a second while the copier is not run; the playback never
        // holds more than the prefill.
        if (error == 0) error = configure(capture_, period, kRate / 2);
        if (error == 0) error = configure(playback_, period, prefill + 2 * period);
        if (error < 0) error_ = device + ": " + snd_strerror(error);
        if (error == 0) linked_ = snd_pcm_link(capture_, playback_) == 0;
    }
    ~FarSideCopier() {
        stop();
        if (linked_) snd_pcm_unlink(capture_);
        if (playback_ != nullptr) snd_pcm_close(playback_);
        if (capture_ != nullptr) snd_pcm_close(capture_);
    }
    FarSideCopier(const FarSideCopier&) = delete;
    FarSideCopier& operator=(const FarSideCopier&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    bool linked() const { return linked_; }

    void start() {
        running_ = true;
        thread_ = std::thread([this] { run(); });
    }
    void stop() {
        if (!running_.exchange(false)) return;
        thread_.join();
    }
    // After stop().
    unsigned restarts() const { return restarts_; }
    bool realtime() const { return realtime_; }
    const std::vector<int64_t>& reportedDelays() const { return reported_; }
    const std::string& lastError() const { return lastError_; }

  private:
    // Both ends from the start: silence of the prefill's length queued, then one start.
    bool begin() {
        snd_pcm_drop(capture_);
        if (!linked_) snd_pcm_drop(playback_);
        int error = snd_pcm_prepare(capture_);
        if (error == 0 && !linked_) error = snd_pcm_prepare(playback_);
        const std::vector<int16_t> silence(prefill_ * kChannels, 0);
        snd_pcm_uframes_t queued = 0;
        while (error == 0 && queued < prefill_) {
            const snd_pcm_sframes_t n =
                snd_pcm_writei(playback_, silence.data() + queued * kChannels, prefill_ - queued);
            if (n < 0)
                error = static_cast<int>(n);
            else
                queued += static_cast<snd_pcm_uframes_t>(n);
        }
        if (error == 0) error = snd_pcm_start(capture_);
        if (error == 0 && !linked_) error = snd_pcm_start(playback_);
        if (error < 0) lastError_ = snd_strerror(error);
        return error == 0;
    }

    void run() {
        sched_param param{};
        param.sched_priority = kCopierPriority;
        realtime_ = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0;
        std::vector<int16_t> chunk(period_ * kChannels);
        if (!begin()) return;
        while (running_.load()) {
            const snd_pcm_sframes_t n = snd_pcm_readi(capture_, chunk.data(), period_);
            snd_pcm_sframes_t done = n < 0 ? n : 0;
            while (done >= 0 && done < n) {
                const snd_pcm_sframes_t w = snd_pcm_writei(
                    playback_, chunk.data() + done * kChannels, static_cast<size_t>(n - done));
                done = w < 0 ? w : done + w;
            }
            if (done < 0) {
                lastError_ = snd_strerror(static_cast<int>(done));
                ++restarts_;
                if (!begin()) return;
                continue;
            }
            // Kept only when the playback did not move while the capture was asked: both
            // positions are then of the same timer tick (the emulated guest's clock jumps).
            snd_pcm_sframes_t queued = 0, again = 0, unread = 0;
            if (snd_pcm_delay(playback_, &queued) == 0 && (unread = snd_pcm_avail(capture_)) >= 0 &&
                snd_pcm_delay(playback_, &again) == 0 && again == queued)
                reported_.push_back(queued + unread);
        }
        snd_pcm_drop(capture_);
        if (!linked_) snd_pcm_drop(playback_);
    }

    snd_pcm_t* capture_ = nullptr;
    snd_pcm_t* playback_ = nullptr;
    const snd_pcm_uframes_t period_;
    const snd_pcm_uframes_t prefill_;
    std::string error_;
    bool linked_ = false;
    std::thread thread_;
    std::atomic<bool> running_{false};
    bool realtime_ = false;
    unsigned restarts_ = 0;
    std::vector<int64_t> reported_;
    std::string lastError_;
};

// A mono 16-bit file at 44.1 kHz, silent but for the burst at every `at`.
bool writeBurstFile(const std::string& path, size_t frames, const std::vector<size_t>& at,
                    std::string& error) {
    WavData data;
    data.format = {kRate, 1, 16};
    data.samples.assign(frames, 0);
    const std::vector<int32_t> burst = MakeBurst(kBurstFrames, kBurstLevel, kBurstSeed);
    for (size_t start : at)
        std::copy(burst.begin(), burst.end(), data.samples.begin() + static_cast<long>(start));
    return writeWavFile(path, data, error);
}

double ms(double frames) {
    return frames * 1000.0 / kRate;
}

void printHostLines(const std::string& output) {
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        const std::string line = output.substr(start, end - start);
        for (const char* wanted : {"(version", "latencies", "streaming", "buffer switches",
                                   "recorded", "dropped", "reset", "qmtasiohost:"}) {
            if (line.find(wanted) != std::string::npos) {
                std::printf("  host: %s\n", line.c_str());
                break;
            }
        }
        start = end + 1;
    }
}

int measure(double seconds, int buffer, snd_pcm_uframes_t period, snd_pcm_uframes_t prefill) {
    std::string why;
    const std::vector<int> cards = LoopbackCardIndices(1, why);
    if (cards.empty()) {
        std::fprintf(stderr, "qmt_roundtrip_measure: %s\n", why.c_str());
        return 77;
    }
    // Set up before the driver looks: the cable then offers only the copier's format.
    FarSideCopier copier(cards[0], period, prefill);
    if (!copier.ok()) {
        std::fprintf(stderr, "qmt_roundtrip_measure: %s\n", copier.error().c_str());
        return 1;
    }
    LoopbackControllers krt4(cards[0]);
    const std::string played = krt4.registryFolder() + "/bursts.wav";
    const std::string recorded = krt4.registryFolder() + "/recorded.wav";
    // One burst a second from half a second on; the file runs on past the stream's end.
    std::vector<size_t> bursts;
    for (size_t k = 0; k + 1 < static_cast<size_t>(seconds); ++k)
        bursts.push_back(kRate / 2 + k * kRate);
    if (!writeBurstFile(played, static_cast<size_t>((seconds + 5) * kRate), bursts, why)) {
        std::fprintf(stderr, "qmt_roundtrip_measure: %s\n", why.c_str());
        return 1;
    }
    std::printf(
        "%.0f s, the driver (KRT4, 4 in - 4 out) at %d-frame buffers (%.2f ms), 44.1 kHz; "
        "copier period %lu, prefill %lu frames (%.2f ms), %s%s\n",
        seconds, buffer, ms(buffer), static_cast<unsigned long>(period),
        static_cast<unsigned long>(prefill), ms(static_cast<double>(prefill)),
        copier.linked() ? "ends linked" : "ends not linked",
        GuestIsEmulated() ? " (guest under software emulation)" : "");
    std::fflush(stdout);
    copier.start();
    const HostRun run = RunHost(QMT_ASIOHOST_PATH, QMT_BRX_ASIO_LIBRARY_PATH, krt4, seconds, buffer,
                                played, "1", kRate, "--record " + recorded + " --inputs 1");
    copier.stop();
    printHostLines(run.output);
    if (!run.summarised) {
        std::printf("the host did not finish (status %d):\n%s", run.status, run.output.c_str());
        return 1;
    }
    std::printf("copier: %s, %u restarts%s%s\n",
                copier.realtime() ? "SCHED_FIFO 30" : "not real-time", copier.restarts(),
                copier.lastError().empty() ? "" : ", last error: ", copier.lastError().c_str());
    std::vector<int64_t> reported = copier.reportedDelays();
    if (!reported.empty()) {
        std::sort(reported.begin(), reported.end());
        std::printf(
            "copier delay as ALSA reports it after each write: median %lld, %lld to "
            "%lld frames (%zu samples)\n",
            static_cast<long long>(reported[reported.size() / 2]),
            static_cast<long long>(reported.front()), static_cast<long long>(reported.back()),
            reported.size());
    }

    WavData file;
    if (!readWavFile(recorded, file, why)) {
        std::fprintf(stderr, "qmt_roundtrip_measure: %s\n", why.c_str());
        return 1;
    }
    // Input 1 on the played file's 16-bit scale.
    std::vector<int32_t> heard(file.frames());
    const int shift = std::max(0, static_cast<int>(file.format.bitsPerSample) - 16);
    for (size_t f = 0; f < heard.size(); ++f)
        heard[f] = file.samples[f * file.format.channels] >> shift;
    const std::vector<int32_t> burst = MakeBurst(kBurstFrames, kBurstLevel, kBurstSeed);
    const auto delays = FindBurstDelays(heard, burst, bursts, kRate / 2);
    const DelaySummary summary = SummariseDelays(delays);
    std::printf("bursts found: %zu of %zu (recording %zu frames)\n", summary.found, bursts.size(),
                heard.size());
    if (summary.found == 0) return 1;
    // What ALSA reports is taken over the prefill: in the emulated guest the far side's two
    // ends were seen to part by thousands of frames, so the result is known only to within
    // the range printed above.
    const int64_t copy =
        reported.empty() ? static_cast<int64_t>(prefill) : reported[reported.size() / 2];
    std::printf("delay per burst, frames (count):");
    for (const auto& [value, count] : summary.values)
        std::printf(" %lld (%zu)", static_cast<long long>(value), count);
    std::printf("\nloop, played to recorded: median %lld frames (%.2f ms), %lld to %lld\n",
                static_cast<long long>(summary.median), ms(static_cast<double>(summary.median)),
                static_cast<long long>(summary.min), static_cast<long long>(summary.max));
    std::printf(
        "driver round trip (less the copier's %lld): median %lld frames (%.2f ms), %lld "
        "to %lld (%.2f to %.2f ms); %.1f buffers\n",
        static_cast<long long>(copy), static_cast<long long>(summary.median - copy),
        ms(static_cast<double>(summary.median - copy)), static_cast<long long>(summary.min - copy),
        static_cast<long long>(summary.max - copy), ms(static_cast<double>(summary.min - copy)),
        ms(static_cast<double>(summary.max - copy)),
        static_cast<double>(summary.median - copy) / buffer);
    return 0;
}

}  // namespace
}  // namespace qmt::vm

int main(int argc, char** argv) {
    unsigned long period = 64, prefill = 2048;
    std::vector<std::string> numbers;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--period" && i + 1 < argc) {
            period = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--prefill" && i + 1 < argc) {
            prefill = std::strtoul(argv[++i], nullptr, 10);
        } else {
            numbers.push_back(arg);
        }
    }
    if (numbers.size() != 2 || period == 0 || prefill < period) {
        std::fprintf(stderr,
                     "usage: qmt_roundtrip_measure [--prefill FRAMES] [--period FRAMES] SECONDS "
                     "BUFFER\n");
        return 2;
    }
    return qmt::vm::measure(std::atof(numbers[0].c_str()), std::atoi(numbers[1].c_str()), period,
                            prefill);
}
