#pragma once
// The MIDI port's event allocator, shared by the simulated and the real port: a fixed pool of
// events, as the port's lookaside list is. GetMessage gives none when the pool is empty;
// PutMessage takes whole chains back (package chains included) and lets go of any bytes an
// event kept alive.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/MidiPort.h"

namespace qmt {

class MidiEventPool final : public AllocatorMxfIf {
  public:
    explicit MidiEventPool(size_t capacity = 1024);

    DMusEvent* GetMessage() override;
    int32_t PutMessage(DMusEvent* events) override;
    int32_t SetState(KsState) override { return 0; }
    int32_t ConnectOutput(MxfIf*) override { return 0; }
    int32_t DisconnectOutput(MxfIf*) override { return 0; }

    size_t freeCount();
    // Events handed out so far; the port uses it to see whether a pull moved anything.
    uint64_t handedOut();

  private:
    void Release(DMusEvent* event);

    std::mutex mutex_;
    std::vector<DMusEvent> pool_;
    std::vector<DMusEvent*> free_;
    uint64_t handedOut_ = 0;
};

}  // namespace qmt
