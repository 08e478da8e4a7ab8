#pragma once
// The "QMT MIDI Out" stream: application events are copied into the miniport's render
// buffer and handed straight back; the controllers get them later on the device worker.

#include "driver/MidiStreamAbs.h"

namespace qmt {

class RenderStream final : public MidiStreamAbs {
  public:
    RenderStream(MidiMiniport& miniport, AllocatorMxfIf& allocator,
                 std::shared_ptr<PortClockIf> clock)
        : MidiStreamAbs(false, miniport, allocator, std::move(clock)) {}
    ~RenderStream() override { Retire(); }

    int32_t PutMessage(DMusEvent* events) override;
};

}  // namespace qmt
