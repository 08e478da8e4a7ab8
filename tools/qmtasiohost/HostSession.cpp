#include "tools/qmtasiohost/HostSession.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "asiohost/AsioSampleCodec.h"

namespace qmt::asiohost {

namespace {

// The callbacks of the ASIO interface carry no context: one session runs at a time.
HostSession* current = nullptr;
std::atomic<bool> interrupted{false};

constexpr auto kLoopStep = std::chrono::milliseconds(50);
constexpr double kProgressEverySeconds = 0.5;
// Recorded samples may wait this long for the main loop before they are dropped.
constexpr double kRingSeconds = 2.0;

uint64_t steadyNs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

std::string channelList(const std::vector<int32_t>& channels) {
    std::string text;
    for (int32_t channel : channels)
        text += (text.empty() ? "" : ",") + std::to_string(channel + 1);
    return text;
}

}  // namespace

HostSession::HostSession(const HostOptions& options, AsioDriverLoader& loader, const Guid& classId,
                         std::FILE* out, std::FILE* err)
    : options_(options), loader_(loader), classId_(classId), out_(out), err_(err) {
    current = this;
    callbacks_.bufferSwitch = &HostSession::bufferSwitch;
    callbacks_.sampleRateDidChange = &HostSession::sampleRateDidChange;
    callbacks_.asioMessage = &HostSession::asioMessage;
    callbacks_.bufferSwitchTimeInfo = &HostSession::bufferSwitchTimeInfo;
}

HostSession::~HostSession() {
    stopDriver();
    current = nullptr;
}

void HostSession::interrupt() {
    interrupted.store(true);
}

std::string HostSession::driverError(const char* what, ASIOError error) {
    char text[128] = {};
    driver_->getErrorMessage(text);
    std::string message = std::string(what) + " failed (ASIO error " + std::to_string(error) + ")";
    if (text[0] != '\0') message += ": " + std::string(text);
    return message;
}

int HostSession::run() {
    std::string error;
    if (!initDriver(error)) {
        std::fprintf(err_, "qmtasiohost: %s\n", error.c_str());
        return 1;
    }
    printDescription();
    if (options_.infoOnly) return 0;
    if (!chooseRate(error) || !chooseBufferSize(error) || !openRecording(error) ||
        !startDriver(error) || !stream(error)) {
        std::fprintf(err_, "qmtasiohost: %s\n", error.c_str());
        stopDriver();
        return 1;
    }
    stopDriver();
    if (recording_.isOpen()) {
        drainRecording();
        const uint64_t frames = recording_.framesWritten();
        if (!recording_.close()) {
            std::fprintf(err_, "qmtasiohost: could not complete %s\n", options_.recordFile.c_str());
            return 1;
        }
        std::fprintf(out_, "recorded %llu frames of inputs %s to %s\n",
                     static_cast<unsigned long long>(frames), channelList(options_.inputs).c_str(),
                     options_.recordFile.c_str());
        if (ring_->dropped() > 0) {
            std::fprintf(err_, "qmtasiohost: %llu recorded samples were dropped (disk too slow)\n",
                         static_cast<unsigned long long>(ring_->dropped()));
        }
    }
    return 0;
}

bool HostSession::initDriver(std::string& error) {
    if (!loader_.createDriver(classId_, error)) return false;
    driver_ = loader_.driver();
    if (driver_->init(nullptr) == ASIOFalse) {
        char text[128] = {};
        driver_->getErrorMessage(text);
        error = std::string("the driver did not initialise: ") + text;
        return false;
    }
    return true;
}

void HostSession::printDescription() {
    char name[32] = {};
    driver_->getDriverName(name);
    int32_t inputs = 0, outputs = 0;
    driver_->getChannels(&inputs, &outputs);
    std::fprintf(out_, "%s (version %d): %d inputs, %d outputs\n", name,
                 driver_->getDriverVersion(), inputs, outputs);
    int32_t inputLatency = 0, outputLatency = 0;
    if (driver_->getLatencies(&inputLatency, &outputLatency) == ASE_OK) {
        std::fprintf(out_, "latencies: input %d, output %d frames\n", inputLatency, outputLatency);
    }
    int32_t minSize = 0, maxSize = 0, preferred = 0, granularity = 0;
    if (driver_->getBufferSize(&minSize, &maxSize, &preferred, &granularity) == ASE_OK) {
        std::fprintf(out_, "buffer sizes: min %d, max %d, preferred %d, granularity %d\n", minSize,
                     maxSize, preferred, granularity);
    }
    ASIOSampleRate rate = 0;
    if (driver_->getSampleRate(&rate) == ASE_OK) std::fprintf(out_, "sample rate: %.0f Hz\n", rate);
    ASIOClockSource clocks[4];
    int32_t clockCount = 4;
    if (driver_->getClockSources(clocks, &clockCount) == ASE_OK) {
        for (int32_t i = 0; i < clockCount && i < 4; ++i) {
            std::fprintf(out_, "clock source %d: %s%s\n", clocks[i].index, clocks[i].name,
                         clocks[i].isCurrentSource ? " (current)" : "");
        }
    }
    for (int32_t direction = 1; direction >= 0; --direction) {
        const int32_t count = direction != 0 ? inputs : outputs;
        std::fprintf(out_, "%s:\n", direction != 0 ? "inputs" : "outputs");
        for (int32_t channel = 0; channel < count; ++channel) {
            ASIOChannelInfo info;
            info.channel = channel;
            info.isInput = direction;
            if (driver_->getChannelInfo(&info) != ASE_OK) continue;
            std::fprintf(out_, "  %2d  %-20s %2u-bit  %s\n", channel + 1, info.name,
                         sampleTypeBits(info.type), info.isActive ? "active" : "inactive");
        }
    }
}

bool HostSession::chooseRate(std::string& error) {
    ASIOSampleRate wanted = options_.rate;
    if (!options_.playFile.empty()) {
        WavData file;
        if (!readWavFile(options_.playFile, file, error)) return false;
        if (wanted == 0) {
            if (driver_->canSampleRate(file.format.sampleRate) == ASE_OK) {
                wanted = file.format.sampleRate;
            } else {
                std::fprintf(err_, "qmtasiohost: the driver cannot run at the file's %u Hz\n",
                             file.format.sampleRate);
            }
        }
        source_ = std::make_unique<SignalSource>(std::move(file));
    }
    if (wanted != 0) {
        const ASIOError answer = driver_->canSampleRate(wanted);
        if (answer != ASE_OK) {
            error = "the driver cannot run at " + std::to_string(static_cast<int>(wanted)) + " Hz";
            return false;
        }
        const ASIOError set = driver_->setSampleRate(wanted);
        if (set != ASE_OK) {
            error = driverError("setSampleRate", set);
            return false;
        }
    }
    driver_->getSampleRate(&rate_);
    if (!source_) source_ = std::make_unique<SignalSource>(options_.tone, rate_);
    return true;
}

bool HostSession::chooseBufferSize(std::string& error) {
    int32_t minSize = 0, maxSize = 0, preferred = 0, granularity = 0;
    const ASIOError answer = driver_->getBufferSize(&minSize, &maxSize, &preferred, &granularity);
    if (answer != ASE_OK) {
        error = driverError("getBufferSize", answer);
        return false;
    }
    bufferFrames_ = options_.bufferFrames != 0 ? options_.bufferFrames : preferred;
    return true;
}

bool HostSession::channelBits(int32_t channel, bool input, uint32_t& bits, std::string& error) {
    ASIOChannelInfo info;
    info.channel = channel;
    info.isInput = input ? ASIOTrue : ASIOFalse;
    driver_->getChannelInfo(&info);
    bits = sampleTypeBits(info.type);
    if (bits != 0) return true;
    error = std::string("the driver's ") + (input ? "input" : "output") + " sample type " +
            std::to_string(info.type) + " is not handled";
    return false;
}

bool HostSession::openRecording(std::string& error) {
    if (options_.recordFile.empty()) return true;
    if (!channelBits(options_.inputs.front(), true, inputBits_, error)) return false;
    const WavFormat format{static_cast<uint32_t>(rate_),
                           static_cast<uint16_t>(options_.inputs.size()),
                           static_cast<uint16_t>(inputBits_)};
    if (!recording_.open(options_.recordFile, format, error)) return false;
    ring_ = std::make_unique<SampleRing>(static_cast<size_t>(rate_ * kRingSeconds) *
                                         options_.inputs.size());
    return true;
}

bool HostSession::createBuffers(std::string& error) {
    bufferInfos_.clear();
    for (int32_t channel : options_.outputs)
        bufferInfos_.push_back({ASIOFalse, channel, {nullptr, nullptr}});
    if (!options_.recordFile.empty()) {
        for (int32_t channel : options_.inputs)
            bufferInfos_.push_back({ASIOTrue, channel, {nullptr, nullptr}});
    }
    if (!channelBits(options_.outputs.front(), false, outputBits_, error)) return false;
    frameScratch_.assign(static_cast<size_t>(bufferFrames_) * options_.inputs.size(), 0);
    const ASIOError answer = driver_->createBuffers(
        bufferInfos_.data(), static_cast<int32_t>(bufferInfos_.size()), bufferFrames_, &callbacks_);
    if (answer != ASE_OK) {
        const std::string what = "createBuffers (" + std::to_string(bufferFrames_) + " frames)";
        error = driverError(what.c_str(), answer);
        return false;
    }
    return true;
}

bool HostSession::startDriver(std::string& error) {
    if (!createBuffers(error)) return false;
    {
        std::lock_guard lock(statisticsMutex_);
        statistics_.reset(bufferFrames_ * 1e9 / rate_);
        streaming_ = true;
    }
    const ASIOError answer = driver_->start();
    if (answer != ASE_OK) {
        error = driverError("start", answer);
        return false;
    }
    return true;
}

void HostSession::stopDriver() {
    if (driver_ == nullptr) return;
    driver_->stop();
    {
        std::lock_guard lock(statisticsMutex_);
        streaming_ = false;
    }
    driver_->disposeBuffers();
}

bool HostSession::restartAfterReset(std::string& error) {
    std::fprintf(out_, "\nthe driver asks for a reset (its settings changed): starting it again\n");
    stopDriver();
    loader_.releaseDriver();
    driver_ = nullptr;
    if (!initDriver(error)) return false;
    if (!chooseBufferSize(error)) return false;
    if (driver_->setSampleRate(rate_) != ASE_OK) driver_->getSampleRate(&rate_);
    return startDriver(error);
}

bool HostSession::stream(std::string& error) {
    std::fprintf(out_,
                 "streaming %.1f s at %.0f Hz, %d frames (%.3f ms) per half: %s to outputs %s",
                 options_.seconds, rate_, bufferFrames_, bufferFrames_ * 1000.0 / rate_,
                 options_.playFile.empty() ? (options_.tone ? "test tone" : "silence")
                                           : options_.playFile.c_str(),
                 channelList(options_.outputs).c_str());
    if (!options_.recordFile.empty()) {
        std::fprintf(out_, ", recording inputs %s to %s", channelList(options_.inputs).c_str(),
                     options_.recordFile.c_str());
    }
    std::fprintf(out_, "\n");
    std::fflush(out_);
    const auto begin = std::chrono::steady_clock::now();
    double nextProgress = kProgressEverySeconds;
    for (;;) {
        std::this_thread::sleep_for(kLoopStep);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        drainRecording();
        if (resetRequested_.exchange(false) && !restartAfterReset(error)) return false;
        if (seconds >= options_.seconds || interrupted.load()) {
            printProgress(seconds, true);
            return true;
        }
        if (seconds >= nextProgress) {
            printProgress(seconds, false);
            nextProgress += kProgressEverySeconds;
        }
    }
}

void HostSession::printProgress(double seconds, bool last) {
    SwitchStatistics::Summary summary;
    {
        std::lock_guard lock(statisticsMutex_);
        summary = statistics_.summary();
    }
    const double expected = bufferFrames_ * 1000.0 / rate_;
    if (last) {
        if (progressShown_) std::fprintf(err_, "\n");
        std::fprintf(out_,
                     "%.1f s: %llu buffer switches, period %.3f ms (expected %.3f), jitter %.3f ms "
                     "rms, %.3f ms max, missed halves %llu\n",
                     seconds, static_cast<unsigned long long>(summary.switches),
                     summary.meanPeriodMs, expected, summary.jitterRmsMs, summary.jitterMaxMs,
                     static_cast<unsigned long long>(summary.missedHalves));
        return;
    }
    if (options_.quiet) return;
    const bool terminal = ::isatty(::fileno(err_)) != 0;
    std::fprintf(err_, "%s%6.1f s  %8llu switches  period %.3f ms  jitter %.3f ms  missed %llu%s",
                 terminal ? "\r" : "", seconds, static_cast<unsigned long long>(summary.switches),
                 summary.meanPeriodMs, summary.jitterRmsMs,
                 static_cast<unsigned long long>(summary.missedHalves), terminal ? "" : "\n");
    std::fflush(err_);
    progressShown_ = terminal;
}

void HostSession::drainRecording() {
    if (!ring_ || !recording_.isOpen()) return;
    drained_.clear();
    ring_->drain(drained_);
    const size_t channels = options_.inputs.size();
    for (int32_t& sample : drained_)
        sample = fromFullScale(sample, inputBits_);
    recording_.write(drained_.data(), drained_.size() / channels);
}

void HostSession::onSwitch(int32_t half) {
    {
        std::lock_guard lock(statisticsMutex_);
        if (streaming_) statistics_.add(steadyNs(), half);
    }
    const auto frames = static_cast<size_t>(bufferFrames_);
    const size_t outputs = options_.outputs.size();
    for (size_t i = 0; i < outputs; ++i) {
        void* buffer = bufferInfos_[i].buffers[half];
        for (size_t frame = 0; frame < frames; ++frame)
            writeAsioSample(buffer, frame, outputBits_, source_->sample(i, playFrame_ + frame));
    }
    playFrame_ += frames;
    if (!ring_) return;
    const size_t inputs = options_.inputs.size();
    for (size_t i = 0; i < inputs; ++i) {
        const void* buffer = bufferInfos_[outputs + i].buffers[half];
        for (size_t frame = 0; frame < frames; ++frame)
            frameScratch_[frame * inputs + i] = readAsioSample(buffer, frame, inputBits_);
    }
    ring_->push(frameScratch_.data(), frameScratch_.size());
}

void HostSession::bufferSwitch(int32_t half, ASIOBool /*directProcess*/) {
    if (current != nullptr) current->onSwitch(half);
}

ASIOTime* HostSession::bufferSwitchTimeInfo(ASIOTime* /*time*/, int32_t half,
                                            ASIOBool /*directProcess*/) {
    if (current != nullptr) current->onSwitch(half);
    return nullptr;
}

void HostSession::sampleRateDidChange(ASIOSampleRate /*rate*/) {
    if (current != nullptr) ++current->rateChanges_;
}

int32_t HostSession::asioMessage(int32_t selector, int32_t value, void* /*message*/,
                                 double* /*opt*/) {
    switch (selector) {
        case kAsioSelectorSupported:
            return value == kAsioEngineVersion || value == kAsioResetRequest ||
                           value == kAsioSupportsTimeInfo
                       ? 1
                       : 0;
        case kAsioEngineVersion:
            return 2;
        case kAsioResetRequest:
            if (current != nullptr) current->resetRequested_.store(true);
            return 1;
        case kAsioSupportsTimeInfo:
            return 1;
        default:
            return 0;
    }
}

}  // namespace qmt::asiohost
