#pragma once
// The driver's one miniport: it makes the capture and render streams the port asks for,
// keeps their lists and counts, posts the controllers' MIDI into every capture queue,
// collects the applications' MIDI in a double buffer, and owns the controllers' handlers
// with the device worker that creates, feeds and destroys them.
//
// Locks, always taken in this order, never the other way round (a thread may skip any):
//   reloadMutex_     one reload at a time;
//   stateMutex_      serialises stream state changes, worker start and stop, and reloads;
//   pnpMutex_        the arrival request fields, held by a notifying thread until the worker
//                    has handled its request (StartDeviceWorker's registration notifies from
//                    the thread that holds stateMutex_);
//   drainMutex_      one render drain at a time (the worker's, or the last render close's);
//   handlerLock_     the handler list and the running counts; every walk of the list holds it,
//                    so arrivals and removals on the worker never race a walk made by a
//                    stream state change, a stream close or a reload without streams;
//   mappingMutex_    the loaded mapping while it is read, applied or replaced;
//   a handler's input and output mutexes (taken one at a time, or both at once in Attach):
//                    its report and idle steps, its MIDI batches and writer steps; reports
//                    post MIDI while holding the input mutex;
//   miniportMutex_   the miniport lock: stream lists, stream and connection counts, and every
//                    posting walk over the capture streams;
//   a capture queue's lock, then the port's own locks.
// clockMutex_ and renderLock_ are leaves: nothing else is taken while either is held.
// clockMutex_ guards the master clock reference (taken under miniportMutex_ when the first
// stream comes or the last goes, alone when a time is read); renderLock_ guards the render
// append against the drain's exchange.
// Threads joined or waited for while a lock is held (a frame's reader and writer, the
// worker) never take that lock themselves.

#include <array>
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "common/Guid.h"
#include "driver/DeviceWorker.h"
#include "driver/FilterDescription.h"
#include "driver/HandlerFrame.h"
#include "driver/RenderEventBuffer.h"
#include "engine/MidiSink.h"
#include "model/Mapping.h"
#include "platform/HidDevices.h"
#include "platform/MidiPort.h"
#include "platform/PeriodicTimer.h"
#include "platform/Registry.h"

namespace qmt {

class CaptureStream;
class MidiStreamAbs;
class RenderStream;

// The services of the system the miniport runs on.
struct MiniportServices {
    RegistryIf* registry = nullptr;
    HidNotifierIf* notifier = nullptr;
    HidFileSystemIf* files = nullptr;
    PeriodicTimerIf* timer = nullptr;
};

// The music technology every data range names until SetTechnology says otherwise.
Guid MusicTechnologyPort();

class MidiMiniport final : public MiniportDMusIf, public MidiSinkIf {
  public:
    static constexpr uint32_t kIdlePeriodMs = 5;

    explicit MidiMiniport(const MiniportServices& services);
    ~MidiMiniport() override;
    MidiMiniport(const MidiMiniport&) = delete;
    MidiMiniport& operator=(const MidiMiniport&) = delete;

    // The one live miniport, for the control codes and the synthesizer properties.
    static MidiMiniport* Live();

    NtStatus Init(PortDMusIf* port);
    NtStatus SetTechnology(const Guid& technology);
    const Guid& technology() const { return technology_; }
    // The technology as copied into the MIDI and DirectMusic data ranges.
    const Guid& midiRangeTechnology() const { return midiRangeTechnology_; }
    const Guid& dmusRangeTechnology() const { return dmusRangeTechnology_; }

    FilterDescription GetDescription() const {
        return MakeFilterDescription(midiRangeTechnology_, dmusRangeTechnology_);
    }
    // The port's default intersection applies.
    NtStatus DataRangeIntersection() const;
    void PowerChangeNotify(uint32_t state) { powerState_ = state; }
    uint32_t powerState() const { return powerState_; }

    int32_t NewStream(std::unique_ptr<MxfIf>& stream, uint32_t streamType,
                      AllocatorMxfIf* allocator, std::shared_ptr<PortClockIf> masterClock) override;

    // Posting operations (the engine's sink), from the controllers' reader threads.
    void SendOne(uint32_t word, int64_t time) override;
    void SendPair(uint32_t first, uint32_t second, int64_t time) override;
    void SendOnAllChannels(uint32_t word, int64_t time) override;
    void SendPairOnAllChannels(uint32_t first, uint32_t second, int64_t time) override;
    void SendOnMarkedChannels(uint32_t word, const ChannelMask& marked, int64_t time) override;
    void SendPairOnMarkedChannels(uint32_t first, uint32_t second, const ChannelMask& marked,
                                  int64_t time) override;
    void SendExtended(const uint8_t* bytes, uint8_t length, int64_t time) override;

    // Stream side.
    void UnregisterStream(MidiStreamAbs* stream);
    NtStatus EnterRun(bool capture);
    NtStatus LeaveRun(bool capture);
    bool Connect(MidiStreamAbs* stream, MxfIf* sink);
    bool Disconnect(MidiStreamAbs* stream, MxfIf* sink);
    void AppendRender(const DMusEvent* events);
    // The master clock's time; false while no stream holds a clock.
    bool ClockNow(int64_t& time);

    // Control codes.
    void Reload();
    bool InUse();

    // Device worker side.
    NtStatus StartDeviceWorker();
    NtStatus StopDeviceWorker();
    void OnHidNotification(const std::string& path, bool arrived);
    void HandlePlugAndPlay();
    void HandleCaptureConnected();
    void ReapplyPresets();
    void DrainRender();
    void IdleTick();

    // State for tests and the demo.
    size_t handlerCount();
    bool timerArmed();
    bool workerRunning() { return worker_.running(); }
    bool mappingLoaded();
    // Runs `visit` on every handler frame under the handler lock.
    template <typename Visit>
    void ForEachHandler(Visit visit) {
        std::lock_guard lock(handlerLock_);
        for (auto& frame : handlers_)
            visit(*frame);
    }

  private:
    // Posting: room for `perStream` entries keeping at most `keep`, then `write` them.
    template <typename Write>
    void Post(uint32_t perStream, uint32_t keep, Write write);
    void RegisterStream(MidiStreamAbs* stream, bool capture);
    void Arrival(const std::string& path, uint8_t code);
    void Removal(const std::string& path);
    std::unique_ptr<HandlerFrame> CreateFrame(const std::string& path, uint8_t code);
    bool ProbeInterface(const std::string& path);
    bool HasHandler(const std::string& path);
    // The rest need handlerLock_ held.
    void ReapplyPresetsLocked();
    void ApplyMapping(HandlerFrame& frame);
    void StartHandlers(bool capture);
    void StopHandlers(bool capture);
    void UpdateTimerLocked();
    void ResendState();

    MiniportServices services_;
    PortDMusIf* port_ = nullptr;
    Guid technology_{};
    uint32_t powerState_ = 0;  // stored for the power manager, not otherwise used
    Guid midiRangeTechnology_{};
    Guid dmusRangeTechnology_{};

    std::mutex stateMutex_;
    std::mutex reloadMutex_;

    // Guarded by miniportMutex_.
    std::mutex miniportMutex_;
    std::list<CaptureStream*> captureStreams_;  // newest first
    std::list<RenderStream*> renderStreams_;
    uint16_t captureCount_ = 0;
    uint16_t captureConnected_ = 0;
    uint16_t renderCount_ = 0;
    uint16_t renderConnected_ = 0;

    // Guarded by handlerLock_.
    std::mutex handlerLock_;
    std::list<std::unique_ptr<HandlerFrame>> handlers_;  // newest first
    uint16_t captureRunning_ = 0;
    uint16_t renderRunning_ = 0;
    bool timerArmed_ = false;

    std::mutex mappingMutex_;
    MappingPtr mapping_;

    std::mutex clockMutex_;
    std::shared_ptr<PortClockIf> clock_;
    std::unique_ptr<PortClockIf> handlerClock_;

    // The render double buffer.
    std::mutex drainMutex_;
    std::mutex renderLock_;
    std::array<RenderEventBuffer, 2> renderBuffers_;
    RenderEventBuffer* fill_ = &renderBuffers_[0];
    RenderEventBuffer* drain_ = &renderBuffers_[1];

    // The arrival request handed from the notification callback to the worker.
    std::mutex pnpMutex_;
    std::string requestPath_;
    uint8_t requestCode_ = 1;
    bool requestArrival_ = false;
    uint64_t registration_ = 0;

    DeviceWorker worker_;
};

}  // namespace qmt
