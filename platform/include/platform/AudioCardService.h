#pragma once
// The controllers' sound cards as the kernel-streaming wrappers need them: a filter opened by
// its audio interface path, its pins with their data flow, communication, interfaces, mediums
// and audio data ranges, pins created in one format, moved one state at a time, and stream
// reads and writes that complete by setting the request's event. Statuses are HRESULTs.
//
// Threads: a filter and its pins are used by one thread at a time (the registry's while they
// are made, then the streaming thread); completions come from the backend's own thread (the
// card's clock in the simulation, the pin's I/O thread on Linux). A request's memory and its
// event must stay valid until it completed; closing a pin (destroying it) first completes
// every pending request as cancelled, so nothing is touched after it returns.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/HResult.h"
#include "platform/KsTypes.h"

namespace qmt {

// What a pin says about itself.
struct AudioPinDescription {
    KSPIN_DATAFLOW dataFlow = KSPIN_DATAFLOW_IN;
    KSPIN_COMMUNICATION communication = KSPIN_COMMUNICATION_NONE;
    std::vector<KSPIN_INTERFACE> interfaces;
    std::vector<KSPIN_MEDIUM> mediums;
    // Every range the pin lists; ranges of other major formats may be among them.
    std::vector<KSDATARANGE_AUDIO> dataRanges;
    std::string name;
};

class AudioCardPinIf {
  public:
    // Completes the pending requests as cancelled and releases the hardware.
    virtual ~AudioCardPinIf() = default;

    // Moves the pin to an adjacent state (STOP, ACQUIRE, PAUSE, RUN); anything else is
    // E_INVALIDARG. Going down to STOP completes the pending requests as cancelled.
    virtual HRESULT setState(KSSTATE state) = 0;

    // Queues a read (pin whose data flow is out) or a write (in) of the header's data: a read
    // fills up to FrameExtent bytes, a write plays DataUsed bytes. S_OK means queued: the
    // card then sets header.DataUsed and overlapped.status and, last, the event. A failure
    // queues nothing and sets no event. Requests complete in the order they were queued, and
    // only move while the pin runs.
    virtual HRESULT readStream(KsStreamRequest& request) = 0;
    virtual HRESULT writeStream(KsStreamRequest& request) = 0;
};

class AudioCardFilterIf {
  public:
    virtual ~AudioCardFilterIf() = default;

    virtual std::string friendlyName() = 0;
    virtual uint32_t pinCount() = 0;
    // Fails for an index beyond the count, when the card is gone, or when the pin cannot be
    // asked now (busy: another program holds it; data flow and communication are still
    // filled in then).
    virtual HRESULT describePin(uint32_t pin, AudioPinDescription& description) = 0;
    // Creates an instance of connect.PinId in the format: `format` is the KSDATAFORMAT that
    // precedes the wave format, `waveFormat` a WAVEFORMATEX or WAVEFORMATEXTENSIBLE (with
    // its cbSize bytes). HresultFromWin32(kErrorNoMatch) when the card refuses the format,
    // HresultFromWin32(kErrorBusy) when the pin is in use.
    virtual HRESULT createPin(const KSPIN_CONNECT& connect, const KSDATAFORMAT& format,
                              std::span<const uint8_t> waveFormat,
                              std::unique_ptr<AudioCardPinIf>& pin) = 0;
    // What the system told about the last failure beyond its status, in words a user can act
    // on ("in use by pulseaudio (process 812)"); empty when it told nothing.
    virtual std::string lastErrorDetail() = 0;
};

class AudioCardServiceIf {
  public:
    virtual ~AudioCardServiceIf() = default;
    // HresultFromWin32(kErrorFileNotFound) when no card answers to the path.
    virtual HRESULT openFilter(const std::string& path,
                               std::unique_ptr<AudioCardFilterIf>& filter) = 0;
};

}  // namespace qmt
