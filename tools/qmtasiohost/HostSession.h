#pragma once
// One run of qmtasiohost over a created driver: init, the driver's description, rate and
// buffers, streaming for the given time with the buffer switches timed, the recording and
// a reset when the driver asks for one (its settings changed).
//
// Threads: the main thread drives the driver and writes the recording; the driver's
// streaming thread runs the callbacks, which touch only the ring, the play position and
// the statistics (under a lock the main thread takes briefly).

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "asiohost/AsioDriverLoader.h"
#include "asiohost/HostOptions.h"
#include "common/Guid.h"
#include "common/WavFile.h"
#include "tools/qmtasiohost/SampleRing.h"
#include "tools/qmtasiohost/SignalSource.h"
#include "tools/qmtasiohost/SwitchStatistics.h"

namespace qmt::asiohost {

class HostSession {
  public:
    HostSession(const HostOptions& options, AsioDriverLoader& loader, const Guid& classId,
                std::FILE* out, std::FILE* err);
    ~HostSession();

    // Process exit status: 0 done, 1 the driver failed.
    int run();
    // Ends the stream early (Ctrl-C); safe from a signal handler.
    static void interrupt();

  private:
    bool startDriver(std::string& error);
    bool initDriver(std::string& error);
    void printDescription();
    bool chooseRate(std::string& error);
    bool chooseBufferSize(std::string& error);
    bool createBuffers(std::string& error);
    // The width of a channel's samples; false when the host cannot handle its type.
    bool channelBits(int32_t channel, bool input, uint32_t& bits, std::string& error);
    bool openRecording(std::string& error);
    bool stream(std::string& error);
    bool restartAfterReset(std::string& error);
    void stopDriver();
    void drainRecording();
    void printProgress(double seconds, bool last);
    std::string driverError(const char* what, ASIOError error);

    void onSwitch(int32_t half);
    static void bufferSwitch(int32_t half, ASIOBool directProcess);
    static ASIOTime* bufferSwitchTimeInfo(ASIOTime* time, int32_t half, ASIOBool directProcess);
    static void sampleRateDidChange(ASIOSampleRate rate);
    static int32_t asioMessage(int32_t selector, int32_t value, void* message, double* opt);

    const HostOptions& options_;
    AsioDriverLoader& loader_;
    const Guid classId_;
    std::FILE* out_;
    std::FILE* err_;
    IASIO* driver_ = nullptr;

    double rate_ = 0;
    int32_t bufferFrames_ = 0;
    uint32_t outputBits_ = 0;
    uint32_t inputBits_ = 0;
    std::vector<ASIOBufferInfo> bufferInfos_;
    ASIOCallbacks callbacks_{};
    std::unique_ptr<SignalSource> source_;
    uint64_t playFrame_ = 0;  // the switches' play position

    std::unique_ptr<SampleRing> ring_;
    std::vector<int32_t> frameScratch_;  // one switch's recorded frames
    std::vector<int32_t> drained_;
    WavWriter recording_;

    std::mutex statisticsMutex_;
    SwitchStatistics statistics_;
    bool streaming_ = false;  // under statisticsMutex_: switches before start are not timed
    std::atomic<bool> resetRequested_{false};
    std::atomic<int> rateChanges_{0};
    bool progressShown_ = false;
};

}  // namespace qmt::asiohost
