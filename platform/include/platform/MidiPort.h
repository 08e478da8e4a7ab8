#pragma once
// The MIDI port's side of the driver: what the DirectMusic port does on Windows, the ALSA
// sequencer on Linux and the simulated application in tests. The port creates streams
// through the miniport, drives their state and connections, pulls captured messages after
// Notify, pushes rendered event chains, and supplies the event allocator and the master
// clock. Results are NTSTATUS values (0 is success).

#include <cstdint>
#include <memory>

#include "common/Clock.h"

namespace qmt {

enum class KsState : uint8_t { Stop = 0, Acquire = 1, Pause = 2, Run = 3 };

// Stream types the port asks the miniport for.
inline constexpr uint32_t kDMusStreamMidiRender = 0;
inline constexpr uint32_t kDMusStreamMidiCapture = 1;

// Event flags: bit 0 marks a structured (complete) message, bit 1 a package whose data
// pointer names another chain of events.
inline constexpr uint16_t kDMusEventStructured = 0x0001;
inline constexpr uint16_t kDMusEventPackage = 0x0002;
// Up to this many bytes travel inline; longer messages travel by pointer.
inline constexpr uint32_t kDMusInlineBytes = 8;

// One MIDI event as the port and the streams hand it around.
struct DMusEvent {
    uint16_t channelGroup = 0;
    uint16_t flags = 0;
    uint32_t byteCount = 0;
    DMusEvent* next = nullptr;
    int64_t presentationTime = 0;  // 100 ns units of the master clock
    uint8_t data[kDMusInlineBytes] = {};
    const uint8_t* dataPointer = nullptr;  // byteCount > 8 (not a package)
    DMusEvent* package = nullptr;          // package events: the chain inside
    // Keeps pointed-to bytes alive while the event travels; released when the event goes
    // back to its allocator.
    std::shared_ptr<const void> dataOwner;
};

// A stream object (IMXF): a sink of events with a state and an output connection.
class MxfIf {
  public:
    virtual ~MxfIf() = default;
    virtual int32_t SetState(KsState state) = 0;
    virtual int32_t PutMessage(DMusEvent* events) = 0;
    virtual int32_t ConnectOutput(MxfIf* sink) = 0;
    virtual int32_t DisconnectOutput(MxfIf* sink) = 0;
};

// The port's event allocator (IAllocatorMXF): PutMessage takes a chain back.
class AllocatorMxfIf : public MxfIf {
  public:
    // Null when no event is free.
    virtual DMusEvent* GetMessage() = 0;
};

// What the miniport asks of its port.
class PortDMusIf {
  public:
    virtual ~PortDMusIf() = default;
    // Captured messages are waiting: the port pulls them with the capture streams' PutMessage.
    virtual void Notify() = 0;
};

// What the port asks of the miniport (IMiniportDMus::NewStream).
class MiniportDMusIf {
  public:
    virtual ~MiniportDMusIf() = default;
    virtual int32_t NewStream(std::unique_ptr<MxfIf>& stream, uint32_t streamType,
                              AllocatorMxfIf* allocator,
                              std::shared_ptr<PortClockIf> masterClock) = 0;
};

}  // namespace qmt
