#include "LoopbackStreaming.h"

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numbers>

#include "FakeSysfs.h"
#include "common/WavFile.h"

namespace qmt::vm {

namespace fs = std::filesystem;

namespace {

// Frames per read: 10 ms at 48 kHz, so the position samples are dense enough for the rate.
constexpr snd_pcm_uframes_t kChunk = 480;

double monotonicSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

FarSideRecorder::FarSideRecorder(int card, unsigned rate, unsigned kept)
    : rate_(rate), kept_(std::min(kept, kLoopChannels)) {
    const std::string device = "hw:" + std::to_string(card) + ",1,0";
    int error = snd_pcm_open(&pcm_, device.c_str(), SND_PCM_STREAM_CAPTURE, 0);
    // 200 ms of buffer: the recorder only has to keep up on average.
    if (error == 0)
        error = snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                                   kLoopChannels, rate, 0, 200000);
    if (error < 0) {
        error_ = device + ": " + snd_strerror(error);
        if (pcm_ != nullptr) snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }
}

FarSideRecorder::~FarSideRecorder() {
    stop();
    if (pcm_ != nullptr) snd_pcm_close(pcm_);
}

void FarSideRecorder::start() {
    if (pcm_ == nullptr || running_.exchange(true)) return;
    // Started at once rather than by the first read: the capture must run before the far
    // end plays, or what comes first is lost.
    if (const int error = snd_pcm_start(pcm_); error < 0) lastError_ = snd_strerror(error);
    thread_ = std::thread([this] { run(); });
}

void FarSideRecorder::stop() {
    if (!running_.exchange(false)) return;
    thread_.join();
}

void FarSideRecorder::run() {
    std::vector<int16_t> chunk(kChunk * kLoopChannels);
    uint64_t total = 0;
    bool continuous = true;  // no overrun since the positions were last sampled
    while (running_.load()) {
        const snd_pcm_sframes_t n = snd_pcm_readi(pcm_, chunk.data(), kChunk);
        if (n < 0) {
            ++overruns_;
            lastError_ = snd_strerror(static_cast<int>(n));
            // The positions after a restart no longer continue the line: start it again.
            positions_.clear();
            continuous = false;
            // An overrun, or a capture the loop stopped (EIO): either way it starts again.
            if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0 &&
                (snd_pcm_drop(pcm_) < 0 || snd_pcm_prepare(pcm_) < 0))
                return;
            if (snd_pcm_state(pcm_) != SND_PCM_STATE_RUNNING) snd_pcm_start(pcm_);
            continue;
        }
        for (snd_pcm_sframes_t f = 0; f < n; ++f) {
            const auto frame = chunk.begin() + f * kLoopChannels;
            frames_.insert(frames_.end(), frame, frame + kept_);
        }
        total += static_cast<uint64_t>(n);
        const snd_pcm_sframes_t waiting = snd_pcm_avail(pcm_);
        if (waiting >= 0 && continuous)
            positions_.emplace_back(monotonicSeconds(), static_cast<double>(total + waiting));
        continuous = true;
    }
}

double FarSideRecorder::measuredPpm() const {
    if (positions_.size() < 2) return 0;
    double meanT = 0, meanF = 0;
    for (const auto& [t, f] : positions_) {
        meanT += t;
        meanF += f;
    }
    meanT /= static_cast<double>(positions_.size());
    meanF /= static_cast<double>(positions_.size());
    double covariance = 0, variance = 0;
    for (const auto& [t, f] : positions_) {
        covariance += (t - meanT) * (f - meanF);
        variance += (t - meanT) * (t - meanT);
    }
    if (variance <= 0) return 0;
    return (covariance / variance / rate_ - 1.0) * 1e6;
}

ToneCheck CheckTone(const std::vector<int16_t>& frames, unsigned channels, unsigned channel,
                    unsigned rate, double hz) {
    ToneCheck check;
    const size_t count = frames.size() / channels;
    auto at = [&](size_t n) { return static_cast<double>(frames[n * channels + channel]); };
    // The tone is a quarter of full scale; anything over 1/32 of it is the tone.
    constexpr double kPresent = 256;
    size_t first = 0, last = count;
    while (first < count && std::abs(at(first)) < kPresent)
        ++first;
    while (last > first && std::abs(at(last - 1)) < kPresent)
        --last;
    // The edges (the tone starting and stopping, the converter filling) are not checked.
    const size_t edge = rate / 10;
    if (last < first + 4 * edge) return check;
    const size_t begin = first + edge, end = last - edge;
    check.seconds = static_cast<double>(last - first) / rate;

    // The frequency from the median distance between rising zero crossings and the level
    // from the peaks: gaps neither stretch the one nor lower the other.
    std::vector<double> periods;
    double lastCrossing = -1;
    double peak = 0;
    for (size_t n = begin; n < end; ++n) {
        peak = std::max(peak, std::abs(at(n)));
        if (!(at(n - 1) < 0 && at(n) >= 0)) continue;
        // Where between the two samples the sine crossed zero, for a fraction of a frame.
        const double where = static_cast<double>(n) - at(n) / (at(n) - at(n - 1));
        if (lastCrossing >= 0) periods.push_back(where - lastCrossing);
        lastCrossing = where;
    }
    if (periods.empty()) return check;
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    check.hz = rate / periods[periods.size() / 2];
    check.peak = peak;

    // A pure sine obeys x[n+1] = 2 cos(w) x[n] - x[n-1]; what the hardware format's rounding
    // and the rate converter leave is a few steps of 16 bits, a gap or a jump is thousands.
    // Without an expected tone the one measured is checked (another program's sine).
    const double tone = hz > 0 ? hz : check.hz;
    const double twoCos = 2 * std::cos(2 * std::numbers::pi * tone / rate);
    const double threshold = 0.05 * peak;
    const size_t quiet = rate / 100;  // one glitch counted per 10 ms
    size_t lastGlitch = 0;
    bool any = false;
    for (size_t n = begin; n + 1 < end; ++n) {
        const double residual = at(n + 1) - twoCos * at(n) + at(n - 1);
        if (std::abs(residual) <= threshold) continue;
        if (any && n - lastGlitch < quiet) {
            lastGlitch = n;
            continue;
        }
        if (!any) check.firstGlitchSeconds = static_cast<double>(n - first) / rate;
        any = true;
        lastGlitch = n;
        ++check.glitches;
    }
    return check;
}

LoopbackControllers::LoopbackControllers(int firstCard, int secondCard)
    : tree_(std::make_unique<test::FakeSysfs>()) {
    std::string pattern = (fs::temp_directory_path() / "qmt-registry-XXXXXX").string();
    registry_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : "";
    // The ARDO's layout: audio on interface 0, HID on interface 2; the serial numbers fix the
    // order in which the driver gives them ASIO outputs (1-6, then 7-12).
    tree_->AddUsbDevice("1-1", 3, 0xF7E1, 0x0300, "ARDOLOOP1");
    tree_->AddAudio(firstCard, "1-1", 0, true, false);
    tree_->AddUsb("hidraw0", "1-1", 2, 3, 0xF7E1, 0x0300, "ARDOLOOP1", 1);
    tree_->AddUsbDevice("1-2", 3, 0xF7E1, 0x0300, "ARDOLOOP2");
    tree_->AddAudio(secondCard, "1-2", 0, true, false);
    tree_->AddUsb("hidraw1", "1-2", 2, 3, 0xF7E1, 0x0300, "ARDOLOOP2", 2);
}

LoopbackControllers::LoopbackControllers(int krt4Card)
    : tree_(std::make_unique<test::FakeSysfs>()) {
    std::string pattern = (fs::temp_directory_path() / "qmt-registry-XXXXXX").string();
    registry_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : "";
    // The KRT4's layout: audio on interface 0 (both directions), HID on interface 5.
    tree_->AddUsbDevice("1-1", 6, 0x04D8, 0x0B1C, "KRT4LOOP1");
    tree_->AddAudio(krt4Card, "1-1", 0, true, true);
    tree_->AddUsb("hidraw0", "1-1", 5, 6, 0x04D8, 0x0B1C, "KRT4LOOP1", 1);
}

LoopbackControllers::~LoopbackControllers() {
    std::error_code ignored;
    if (!registry_.empty()) fs::remove_all(registry_, ignored);
}

const std::string& LoopbackControllers::sysRoot() const {
    return tree_->sysRoot();
}

bool GuestIsEmulated() {
    std::FILE* file = std::fopen("/proc/cpuinfo", "r");
    if (file == nullptr) return false;
    char line[512];
    bool emulated = false;
    while (!emulated && std::fgets(line, sizeof line, file) != nullptr)
        emulated = std::strncmp(line, "model name", 10) == 0 && std::strstr(line, "TCG") != nullptr;
    std::fclose(file);
    return emulated;
}

bool WriteToneFile(const std::string& path, double seconds, const std::vector<unsigned>& hz,
                   std::string& error) {
    constexpr unsigned kRate = 48000;
    const auto channels = static_cast<uint16_t>(hz.size());
    std::vector<int32_t> second(size_t{kRate} * channels);
    for (unsigned n = 0; n < kRate; ++n) {
        for (size_t c = 0; c < hz.size(); ++c) {
            const double phase = 2 * std::numbers::pi * static_cast<double>(hz[c]) * n / kRate;
            second[n * channels + c] = static_cast<int32_t>(std::lround(8192 * std::sin(phase)));
        }
    }
    WavWriter writer;
    if (!writer.open(path, {kRate, channels, 16}, error)) return false;
    for (double done = 0; done < seconds; done += 1) {
        if (!writer.write(second.data(), kRate)) break;
    }
    if (!writer.close()) {
        error = path + ": could not be written";
        return false;
    }
    return true;
}

HostRun RunHost(const std::string& hostPath, const std::string& library,
                const LoopbackControllers& controllers, double seconds, int bufferFrames,
                const std::string& playFile, const std::string& outputs, unsigned rate,
                const std::string& more) {
    HostRun run;
    ::setenv("QMT_SYSFS_ROOT", controllers.sysRoot().c_str(), 1);
    ::setenv("QMT_REGISTRY_DIR", controllers.registryFolder().c_str(), 1);
    ::unsetenv("QMT_SIMULATE");
    // A host that stalls is stopped well after its time, and the status says so.
    const std::string command = "timeout -k 5 " + std::to_string(static_cast<int>(seconds) + 30) +
                                " " + hostPath + " --library " + library + " --rate " +
                                std::to_string(rate) + " --buffer " + std::to_string(bufferFrames) +
                                " --seconds " + std::to_string(seconds) + " --play " + playFile +
                                " --outputs " + outputs + " " + more + " --quiet 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        run.output += line;
        double elapsed = 0, expected = 0, rms = 0;
        unsigned long long switches = 0, missed = 0;
        if (std::sscanf(line,
                        "%lf s: %llu buffer switches, period %lf ms (expected %lf), jitter %lf ms "
                        "rms, %lf ms max, missed halves %llu",
                        &elapsed, &switches, &run.periodMs, &expected, &rms, &run.jitterMaxMs,
                        &missed) == 7) {
            run.switches = switches;
            run.missedHalves = missed;
            run.summarised = true;
        }
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace qmt::vm
