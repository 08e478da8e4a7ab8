#pragma once
// A composite device over simulated controllers, with a host that records every buffer
// switch, plays a counting pattern to its outputs and keeps what its inputs received. Steps
// are deterministic: the test moves the sound cards (or the timer's clock) and then waits
// until the streaming thread has nothing left to do.

#include <memory>
#include <mutex>
#include <vector>

#include "AsioTestWorld.h"
#include "asio/AsioBrandIf.h"
#include "asio/AsioDeviceRegistry.h"
#include "asio/CompositeKsAudioDevice.h"

namespace qmt {

// The pattern a test host plays: output channel c, frame n since the first switch.
inline int32_t hostPattern(uint32_t channel, uint64_t frame) {
    return static_cast<int32_t>((frame % 4000) * 16 + channel + 1);
}

class TestHost {
  public:
    TestHost();
    ~TestHost();

    ASIOCallbacks callbacks{};
    std::vector<ASIOBufferInfo> infos;
    uint32_t bits = 24;
    uint32_t frames = 0;
    bool timeInfo = false;  // answers kAsioSupportsTimeInfo
    // Runs on the streaming thread at the end of each switch.
    std::function<void(int32_t half)> onSwitch;

    // Read after the streaming thread is idle.
    std::vector<int32_t> halves;
    std::vector<ASIOTime> times;
    std::vector<std::vector<int32_t>> inputs;  // per input buffer info, in order
    std::vector<double> rateChanges;

  private:
    static void bufferSwitch(int32_t half, ASIOBool);
    static ASIOTime* bufferSwitchTimeInfo(ASIOTime* time, int32_t half, ASIOBool);
    static void sampleRateDidChange(ASIOSampleRate rate);
    static int32_t asioMessage(int32_t selector, int32_t value, void*, double*);
    void handle(int32_t half, const ASIOTime* time);

    uint64_t played_ = 0;
};

class CompositeRig {
  public:
    explicit CompositeRig(std::unique_ptr<AsioBrandIf> brand);
    ~CompositeRig();

    // Plugs or unplugs a controller and lets the registry notice it (on the test's thread).
    int plug(SimControllerModel model, const std::u16string& serial, int port);
    void unplug(int controller);
    // Plugs an unplugged controller in again (its card stays the same).
    void replug(int controller, int port);

    // Buffers for these ASIO outputs and inputs (numbered from 0).
    ASIOError createBuffers(const std::vector<int32_t>& outputs, const std::vector<int32_t>& inputs,
                            int32_t frames);
    // createBuffers, then start, each followed by the thread going idle; false on an error.
    bool startStream(const std::vector<int32_t>& outputs, const std::vector<int32_t>& inputs,
                     int32_t frames);
    void idle() { world.streamWait.waitUntilIdle(); }
    // The cards move by `frames` frames each; then the thread catches up.
    void runFrames(uint32_t frames);
    // The timer's clock moves; then the thread catches up.
    void runMs(int64_t ms);
    size_t switches() const { return host.halves.size(); }

    std::unique_ptr<AsioBrandIf> brand;
    AsioTestWorld world;
    std::unique_ptr<AsioDeviceRegistry> registry;
    std::unique_ptr<CompositeKsAudioDevice> device;
    TestHost host;
};

}  // namespace qmt
