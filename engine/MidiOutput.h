#pragma once
// The messages the engine sends, each addressed by a message's channel byte (one channel, or
// all 16 for "Omni"), with the driver-wide MIDI state kept in step with what was sent.

#include <cstdint>
#include <vector>

#include "engine/MidiSink.h"
#include "engine/MidiState.h"

namespace qmt {

// The channels a channel byte addresses: 0 to 15 itself, 254 ("Omni") all of them. Any other
// byte (a "Default" 253 that no mapping replaced, or garbage) addresses none, so nothing is
// sent and no state outside the table is touched.
struct ChannelTarget {
    uint8_t first = 0;
    uint8_t end = 0;  // one past the last
    bool omni = false;

    bool empty() const { return first >= end; }
};
ChannelTarget TargetOf(uint8_t channel);

// Keeps a value inside a data byte so a bad preset can never forge a status byte.
constexpr uint8_t Data7(int64_t value) {
    return static_cast<uint8_t>(value & 0x7F);
}
constexpr int64_t Clamp(int64_t value, int64_t min, int64_t max) {
    return value < min ? min : (value > max ? max : value);
}

// The pitch wheel state holds the 14-bit value times this factor.
constexpr int32_t kPitchScale = 4096;

class MidiOutput {
  public:
    MidiOutput(MidiSinkIf& sink, MidiState& state) : sink_(sink), state_(state) {}

    // Messages without state. `status` is 0x90 (note) or 0xA0 (aftertouch).
    void Note(uint8_t channel, uint8_t status, uint8_t note, uint8_t velocity, int64_t time);
    void NoteOnOff(uint8_t channel, uint8_t note, uint8_t velocity, int64_t time);
    void ChannelMode(uint8_t channel, uint16_t command, int64_t time);
    void Extended(const std::vector<uint8_t>& bytes, int64_t time);

    // Messages that set the state of every channel they are sent on.
    void ControlChange(uint8_t channel, uint8_t controller, int64_t value, int64_t time);
    void ProgramChange(uint8_t channel, int64_t program, int64_t time);
    void PitchWheel(uint8_t channel, int64_t value, int64_t time);  // 14-bit value
    void HiResControlChange(uint8_t channel, uint8_t controller, int64_t value, int64_t time);

    // Incremental messages: every channel continues from its own state. The sum is clamped
    // to min..max before it is narrowed to the message's width.
    void ControlChangeBy(uint8_t channel, uint8_t controller, int64_t step, int64_t min,
                         int64_t max, int64_t time);
    void ProgramChangeBy(uint8_t channel, int64_t step, int64_t min, int64_t max, int64_t time);
    // `delta` is in state units (the 14-bit value times 4096).
    void PitchWheelBy(uint8_t channel, int64_t delta, int64_t min, int64_t max, int64_t time);
    void HiResControlChangeBy(uint8_t channel, uint8_t controller, int64_t step, int64_t min,
                              int64_t max, int64_t time);

    // Relative controls send a value on the channels where it is due: everywhere when a step
    // was made, else (`onChange`) only where the stored state differs from the value.
    void ControlChangeWhereDue(uint8_t channel, uint8_t controller, uint8_t value, bool stepped,
                               bool onChange, int64_t time);
    void ProgramChangeWhereDue(uint8_t channel, uint8_t program, bool stepped, bool onChange,
                               int64_t time);
    void PitchWheelWhereDue(uint8_t channel, uint16_t value, bool stepped, bool onChange,
                            int64_t time);
    void HiResControlChangeWhereDue(uint8_t channel, uint8_t controller, uint16_t value,
                                    bool stepped, bool onChange, int64_t time);

  private:
    void Send(const ChannelTarget& target, uint32_t word, int64_t time);
    void SendPair(const ChannelTarget& target, uint32_t first, uint32_t second, int64_t time);
    void SendMarked(const ChannelTarget& target, const ChannelMask& marked, uint32_t word,
                    int64_t time);
    void SendPairMarked(const ChannelTarget& target, const ChannelMask& marked, uint32_t first,
                        uint32_t second, int64_t time);

    MidiSinkIf& sink_;
    MidiState& state_;
};

}  // namespace qmt
