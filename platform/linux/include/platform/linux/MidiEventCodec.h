#pragma once
// Raw MIDI bytes and ALSA sequencer events, both ways, over snd_midi_event. Every message
// the driver hands over is complete, so the encoder starts afresh for each; the decoder
// writes every status byte (no running status), because the controllers' decoders take
// one whole message at a time.

#include <cstdint>
#include <span>
#include <vector>

#include <alsa/asoundlib.h>

namespace qmt {

class MidiEventCodec {
  public:
    // SysEx longer than this is cut off by the encoder; the driver's extended messages
    // are at most 255 bytes.
    static constexpr size_t kBufferBytes = 1024;

    MidiEventCodec();
    ~MidiEventCodec();
    MidiEventCodec(const MidiEventCodec&) = delete;
    MidiEventCodec& operator=(const MidiEventCodec&) = delete;

    bool valid() const { return encoder_ != nullptr && decoder_ != nullptr; }
    // The events that `bytes` make, in order. A SysEx event points into the codec's own
    // buffer and stays valid until the next Encode.
    std::vector<snd_seq_event_t> Encode(std::span<const uint8_t> bytes);
    // The MIDI bytes of one event; empty for events that are not MIDI (system notices).
    std::vector<uint8_t> Decode(const snd_seq_event_t& event);

  private:
    snd_midi_event_t* encoder_ = nullptr;
    snd_midi_event_t* decoder_ = nullptr;
};

}  // namespace qmt
