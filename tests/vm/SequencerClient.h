#pragma once
// An application on the ALSA sequencer, as a DJ program would be: one port that can be
// subscribed to other ports' output (received events carry real-time stamps of the
// client's own queue) and connected to other ports' input.

#include <alsa/asoundlib.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qmt::vm {

struct SequencerAddress {
    int client = 0;
    int port = 0;
};

struct ReceivedMidi {
    std::vector<uint8_t> bytes;
    std::chrono::nanoseconds time{0};  // on the client's queue, which starts at 0
    SequencerAddress source;
};

class SequencerClient {
  public:
    // Opens the sequencer as client `name`; null (with `error`) when it cannot.
    static std::unique_ptr<SequencerClient> Open(const std::string& name, std::string& error);
    ~SequencerClient();
    SequencerClient(const SequencerClient&) = delete;
    SequencerClient& operator=(const SequencerClient&) = delete;

    SequencerAddress address() const { return {client_, port_}; }
    const std::string& error() const { return error_; }

    // A port found by its port name ("QMT MIDI In") or by its client's name.
    std::optional<SequencerAddress> findPort(const std::string& name);
    // Polls for a port that a starting program has not created yet.
    std::optional<SequencerAddress> waitForPort(const std::string& name,
                                                std::chrono::milliseconds timeout);

    // Events the named port emits come to this client, time-stamped.
    bool subscribeFrom(const std::string& name);
    bool unsubscribeFrom(const std::string& name);
    // Events this client sends go to the named port.
    bool connectTo(const std::string& name);
    bool disconnectFrom(const std::string& name);

    // Sends raw MIDI bytes (one or more complete messages) to every connected port.
    bool send(const std::vector<uint8_t>& midi);
    // The next MIDI message; nullopt when none arrives in time.
    std::optional<ReceivedMidi> receive(std::chrono::milliseconds timeout);
    // The queue's current time, to compare with received stamps.
    std::chrono::nanoseconds now();

  private:
    SequencerClient() = default;
    bool open(const std::string& name);
    bool fail(const std::string& what, int result);
    std::optional<ReceivedMidi> decode(const snd_seq_event_t& event);

    snd_seq_t* seq_ = nullptr;
    snd_midi_event_t* codec_ = nullptr;
    int client_ = -1;
    int port_ = -1;
    int queue_ = -1;
    std::string error_;
};

}  // namespace qmt::vm
