#pragma once
// The MIDI port on Linux: one ALSA sequencer client "QMT MIDI" with a readable port
// "QMT MIDI In" and a writable port "QMT MIDI Out" (MIDI generic and application ports of
// 16 channels), so applications that pair ports by name see one duplex device.
//
// It plays the DirectMusic port's part for the miniport:
// - every subscription to "QMT MIDI In" is a capture stream, made through NewStream,
//   connected and run; the stream goes when the subscription goes;
// - every sender to "QMT MIDI Out" has a render stream: a subscriber's for as long as it
//   is subscribed, a client that sends straight to the port without subscribing for as
//   long as its port exists; what it sends (SysEx included) becomes render event chains.
//
// Captured messages leave at once, as direct events, when the miniport notifies. Their
// capture times are not used as schedule times: they lie in the past when the port pulls
// them, and queuing them would only add the queue's own delay. A subscriber that asked for
// time stamps gets the sequencer's stamp on delivery.
//
// ALSA hands one port's output to every subscriber; Windows gives every application a
// stream of its own. All capture queues hold the same messages (the driver posts to each),
// so the oldest capture stream speaks for the port and the others' copies are dropped:
// every application still receives every message exactly once.
//
// A thread polls the sequencer for MIDI and for the system's announcements; subscription
// changes are reconciled against the ports' subscriber lists, so a client that exits
// without unsubscribing is noticed too.

#include <functional>
#include <memory>
#include <string>

#include "common/Clock.h"
#include "platform/MidiPort.h"

namespace qmt {

class AlsaSequencerPort final : public PortDMusIf {
  public:
    // Where the verbose account of subscriptions goes (may be empty).
    using Log = std::function<void(const std::string& line)>;

    static constexpr const char* kClientName = "QMT MIDI";
    static constexpr const char* kInPortName = "QMT MIDI In";
    static constexpr const char* kOutPortName = "QMT MIDI Out";

    AlsaSequencerPort(std::shared_ptr<PortClockIf> clock, Log log = {});
    ~AlsaSequencerPort() override;
    AlsaSequencerPort(const AlsaSequencerPort&) = delete;
    AlsaSequencerPort& operator=(const AlsaSequencerPort&) = delete;

    // Creates the client and its ports and starts serving the miniport; false with a
    // message a user can act on when the sequencer cannot be used.
    bool Open(MiniportDMusIf* miniport, std::string& error);
    // Ends every stream (stop, disconnect, release), then the client.
    void Close();
    // The sequencer client number; -1 before Open.
    int client() const;

    void Notify() override;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qmt
