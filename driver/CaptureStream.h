#pragma once
// The "QMT MIDI In" stream: the controllers' messages wait in its queue until the port
// pulls them, one per PutMessage, into events for the application.

#include "driver/CaptureQueue.h"
#include "driver/MidiStreamAbs.h"

namespace qmt {

class CaptureStream final : public MidiStreamAbs {
  public:
    CaptureStream(MidiMiniport& miniport, AllocatorMxfIf& allocator,
                  std::shared_ptr<PortClockIf> clock)
        : MidiStreamAbs(true, miniport, allocator, std::move(clock)) {}
    ~CaptureStream() override { Retire(); }

    // Moves at most one message to the sink; the argument is not used.
    int32_t PutMessage(DMusEvent* events) override;
    CaptureQueue& queue() { return queue_; }

  private:
    void Stopped() override;

    CaptureQueue queue_;
};

}  // namespace qmt
