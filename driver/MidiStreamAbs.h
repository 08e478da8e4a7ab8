#pragma once
// What the capture and render streams share: the miniport, the port's allocator and
// master clock, the output connection (the allocator while unconnected) and the state
// with the run-count logic behind it.

#include <atomic>
#include <memory>

#include "engine/HandlerStatus.h"
#include "platform/MidiPort.h"

namespace qmt {

class MidiMiniport;

class MidiStreamAbs : public MxfIf {
  public:
    ~MidiStreamAbs() override;
    MidiStreamAbs(const MidiStreamAbs&) = delete;
    MidiStreamAbs& operator=(const MidiStreamAbs&) = delete;

    int32_t SetState(KsState state) override;
    int32_t ConnectOutput(MxfIf* sink) override;
    int32_t DisconnectOutput(MxfIf* sink) override;

    bool isCapture() const { return capture_; }
    MxfIf* sink() const { return sink_.load(); }
    bool connected() const { return sink_.load() != &allocator_; }
    // Called by the miniport under its lock.
    void SetSink(MxfIf* sink) { sink_.store(sink); }
    AllocatorMxfIf& allocator() { return allocator_; }
    KsState state() const { return state_; }
    PortClockIf& clock() { return *clock_; }
    const std::shared_ptr<PortClockIf>& sharedClock() const { return clock_; }

  protected:
    MidiStreamAbs(bool capture, MidiMiniport& miniport, AllocatorMxfIf& allocator,
                  std::shared_ptr<PortClockIf> clock);
    // A capture stream empties its queue when it stops.
    virtual void Stopped() {}
    // Leaves the run count and the miniport's lists. Every final class calls it first in
    // its destructor, so no posting walk can reach the stream once its members start to go
    // (and the miniport still sees the whole object while it takes it off its lists).
    void Retire();

    MidiMiniport& miniport_;
    AllocatorMxfIf& allocator_;
    // Changed under the miniport lock; read without it by PutMessage, which the port may
    // call while a posting operation holds that lock.
    std::atomic<MxfIf*> sink_;

  private:
    const bool capture_;
    std::shared_ptr<PortClockIf> clock_;
    KsState state_ = KsState::Stop;
    bool retired_ = false;
};

}  // namespace qmt
