#pragma once
// A simulated USB sound card: the pins and data ranges of its model, a hardware clock that
// moves running pins (advanced by the test, or by real time in the demo), a capture side that
// plays a known signal, a render side that records what it plays, and the failures a real card
// shows (a format it refuses, a request that fails, a program that holds it, unplugging).
//
// The card's pins accept only formats that one of their ranges covers with exactly the range's
// channel count, and never at other widths than 16, 24 or 32 bits; a pin may also refuse the
// WAVEFORMATEXTENSIBLE form or take only some channel masks, as real cards do.
//
// Threads: every call may come from any thread; one mutex guards the card. Completion events
// are set with that mutex held, so a pin that is being closed never has an event set after its
// destructor returned.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioCardService.h"
#include "platform/PcmWaveFormat.h"

namespace qmt {

struct SimPinProfile {
    KSPIN_DATAFLOW dataFlow = KSPIN_DATAFLOW_IN;
    KSPIN_COMMUNICATION communication = KSPIN_COMMUNICATION_SINK;
    std::string name;
    std::vector<KSDATARANGE_AUDIO> ranges;
    bool refusesExtensible = false;      // takes the plain WAVEFORMATEX only
    std::vector<uint32_t> channelMasks;  // the extensible masks it takes; empty: any
};

struct SimSoundCardProfile {
    std::string name;
    std::vector<SimPinProfile> pins;
};

class SimSoundCard : public std::enable_shared_from_this<SimSoundCard> {
  public:
    // A captured sample: channel, frame number since the pin first ran, the pin's rate ->
    // value in full-scale units (-1 to 1, rounded to the pin's width and clamped).
    using Signal = std::function<double(unsigned channel, uint64_t frame, uint32_t rate)>;

    explicit SimSoundCard(SimSoundCardProfile profile);

    // The pins of filters opened from now on (a card switched to another mode).
    void setProfile(SimSoundCardProfile profile);
    SimSoundCardProfile profile();

    // --- the clock: pins move only while they run ---
    // Every running pin moves by exactly `frames` frames.
    void advanceFrames(uint32_t frames);
    // Every running pin moves by what its rate gives in that time (fractions carried).
    void advanceTime(int64_t nanoseconds);

    // --- what the card plays and hears ---
    void setCaptureSignal(Signal signal);
    // Channel c plays a sine of (c + 1) × baseHz at the amplitude (the default signal:
    // 1000 Hz steps at half scale).
    static Signal sine(double baseHz, double amplitude);
    // What the render side played per channel, as signed samples of its width; silence where
    // no write was queued while it ran.
    std::vector<int32_t> recorded(unsigned channel);
    PcmWaveFormat recordedFormat();
    void clearRecording();
    // Whether the render side keeps what it plays (it does at first). A long run that never
    // looks at it turns it off: ten minutes of eight channels would fill memory.
    void setRecording(bool keep);
    // Frames a running pin had no request for (render: silence played, capture: lost).
    uint64_t starvedFrames(KSPIN_DATAFLOW flow);
    // Nanoseconds of the card's clock until the first request of a running pin is done (read
    // full or played out); -1 when no running pin has one.
    int64_t nanosecondsToNextCompletion();

    // --- failures on demand ---
    // The next `count` reads or writes of a pin of that data flow fail with `status`.
    void failNextRequests(KSPIN_DATAFLOW flow, HRESULT status, int count = 1);
    // Every state change fails with `status` until it is S_OK again.
    void failStateChanges(HRESULT status);
    // Another program holds the card: describing and creating pins answer busy naming it;
    // an empty name gives the card back.
    void hold(const std::string& holder);
    // Pulled out: pending requests complete with the device-gone status and every later call
    // of an open filter or pin fails with it. plug() lets new filters open again.
    void unplug();
    void plug();

    // --- what tests look at ---
    // State of the pin instance of that data flow (STOP when there is none).
    KSSTATE state(KSPIN_DATAFLOW flow);
    size_t pendingRequests(KSPIN_DATAFLOW flow);
    bool hasPin(KSPIN_DATAFLOW flow);
    PcmWaveFormat pinFormat(KSPIN_DATAFLOW flow);

    // For the service: a filter on this card, or null while unplugged.
    std::unique_ptr<AudioCardFilterIf> openFilter();

  private:
    friend class SimCardFilter;
    friend class SimCardPin;

    struct Instance {
        uint32_t pinId = 0;
        KSPIN_DATAFLOW dataFlow = KSPIN_DATAFLOW_IN;
        PcmWaveFormat format;
        KSSTATE state = KSSTATE_STOP;
        std::deque<KsStreamRequest*> queue;
        uint32_t headBytes = 0;  // bytes of the first request already moved
        uint64_t frame = 0;      // frames the pin has moved while running
        int64_t carried = 0;     // nanoseconds × rate not yet a whole frame
        bool gone = false;       // the card was unplugged under it
    };

    HRESULT describe(bool streaming, uint64_t generation, std::string& detail);
    HRESULT create(Instance& instance, uint64_t generation, std::string& detail);
    bool accepts(const SimPinProfile& pin, const PcmWaveFormat& format) const;
    HRESULT setState(Instance& instance, KSSTATE state);
    HRESULT submit(Instance& instance, KsStreamRequest& request, KSPIN_DATAFLOW expected);
    void close(Instance& instance);
    void move(Instance& instance, uint64_t frames);
    void moveCapture(Instance& instance, uint64_t frames);
    void moveRender(Instance& instance, uint64_t frames);
    void complete(Instance& instance, HRESULT status);
    void cancelAll(Instance& instance, HRESULT status);
    Instance* instanceOf(KSPIN_DATAFLOW flow);

    std::mutex mutex_;
    SimSoundCardProfile profile_;
    bool plugged_ = true;
    uint64_t generation_ = 1;  // grows at every unplug: filters of an older one are dead
    std::string holder_;
    std::vector<Instance*> instances_;
    Signal signal_;
    std::vector<std::vector<int32_t>> recording_;
    bool recordingKept_ = true;
    PcmWaveFormat recordedFormat_;
    std::map<KSPIN_DATAFLOW, uint64_t> starved_;
    std::map<KSPIN_DATAFLOW, std::pair<HRESULT, int>> requestFailures_;
    HRESULT stateFailure_ = S_OK;
};

}  // namespace qmt
