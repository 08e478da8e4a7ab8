#pragma once
// The DirectMusic port's role with an application on top, for tests and the demo. The
// application opens, runs, pauses, stops and closes streams in any order, connects them,
// sends render events (with flags and packages) and reads what it received, with times.
// Notify pulls every waiting captured message at once: on the notifying thread, or, as the
// sequencer port does when an application subscribes, on a thread of the port's own, so
// that pulling runs while the controllers' threads post.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/MidiEventPool.h"
#include "platform/MidiPort.h"

namespace qmt {

// One message the application received on a capture stream.
struct ReceivedMidi {
    int stream = 0;
    int64_t time = 0;
    std::vector<uint8_t> bytes;
};

// One render event the application sends; `package` events carry `members` instead.
struct RenderEventItem {
    uint16_t flags = kDMusEventStructured;
    int64_t time = 0;
    std::vector<uint8_t> bytes;
    std::vector<RenderEventItem> members;
};

// Where Notify's pulling happens.
enum class SimPull { OnNotifyingThread, OnPortThread };

class SimMidiPort final : public PortDMusIf {
  public:
    using Listener = std::function<void(const ReceivedMidi&)>;

    explicit SimMidiPort(std::shared_ptr<PortClockIf> clock, size_t allocatorEvents = 1024,
                         SimPull pull = SimPull::OnNotifyingThread);
    ~SimMidiPort() override;

    // The miniport the streams are made by; set before opening streams.
    void SetMiniport(MiniportDMusIf* miniport) { miniport_ = miniport; }
    MidiEventPool& allocator() { return allocator_; }
    PortClockIf& clock() { return *clock_; }

    // Opens a stream of kDMusStreamMidiCapture / kDMusStreamMidiRender; returns its id, or 0
    // with the miniport's status in `status`.
    int Open(uint32_t streamType, int32_t* status = nullptr);
    int32_t SetState(int stream, KsState state);
    int32_t Connect(int stream);
    int32_t Disconnect(int stream);
    // Stops, disconnects and releases the stream, as closing the application's port does.
    void Close(int stream);
    void CloseAll();
    // Sends a chain of events to a render stream.
    int32_t Send(int stream, const std::vector<RenderEventItem>& events);

    std::vector<ReceivedMidi> received();
    // Forgets the messages received so far and gives back their memory: a soak that reads the
    // heap between rounds must see the driver's holdings, not how many messages the busiest
    // round happened to leave here (the list's capacity only ever doubles).
    void ClearReceived();
    // Waits until at least `count` messages were received; false after `timeoutMs`.
    bool WaitForReceived(size_t count, uint32_t timeoutMs);
    // Called for every message received, on the thread that delivers it.
    void SetListener(Listener listener);

    void Notify() override;

  private:
    class ApplicationSink;
    struct Stream {
        uint32_t type = 0;
        std::unique_ptr<ApplicationSink> sink;  // outlives the stream that points at it
        std::shared_ptr<MxfIf> mxf;
        bool connected = false;
    };

    std::shared_ptr<MxfIf> Find(int stream, ApplicationSink** sink = nullptr,
                                bool* connected = nullptr);
    DMusEvent* BuildChain(const std::vector<RenderEventItem>& events);
    void Record(ReceivedMidi message);
    // Pulls every capture stream until a call moves nothing.
    void PullAll();
    void PullLoop();

    std::shared_ptr<PortClockIf> clock_;
    MidiEventPool allocator_;
    MiniportDMusIf* miniport_ = nullptr;
    std::mutex mutex_;  // the stream table; held while Notify pulls
    std::map<int, Stream> streams_;
    int nextId_ = 1;

    std::mutex receivedMutex_;
    std::condition_variable receivedChanged_;
    std::vector<ReceivedMidi> received_;
    Listener listener_;

    // The port's own pulling thread (SimPull::OnPortThread).
    const bool pullOnPortThread_;
    std::mutex pullMutex_;
    std::condition_variable pullWanted_;
    bool pullPending_ = false;
    bool pullStop_ = false;
    std::thread puller_;
};

}  // namespace qmt
