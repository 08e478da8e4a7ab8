#include "engine/MidiOutput.h"

#include <algorithm>

#include "model/Preset.h"

namespace qmt {

namespace {

constexpr uint8_t kControlChangeStatus = 0xB0;
constexpr uint8_t kNoteOffStatus = 0x80;
constexpr uint8_t kNoteOnStatus = 0x90;
constexpr uint8_t kProgramStatus = 0xC0;
constexpr uint8_t kPitchStatus = 0xE0;
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kAllNotesOff = 123;
constexpr int64_t kMax14 = 16383;

// The second controller of a 14-bit pair carries the low seven bits.
constexpr uint8_t kLowPartOffset = 32;
constexpr bool HasLowPart(uint8_t controller) {
    return controller + kLowPartOffset < 128;
}

// An incremental sum clamped to min..max, with the bounds themselves kept inside the
// message's range so that a bad preset cannot wrap the value when it is narrowed.
constexpr int64_t ClampSum(int64_t sum, int64_t min, int64_t max, int64_t top) {
    return Clamp(sum, Clamp(min, 0, top), Clamp(max, 0, top));
}

constexpr uint8_t Status(uint8_t base, uint8_t channel) {
    return static_cast<uint8_t>(base | (channel & 0x0F));
}
constexpr uint32_t ControlWord(uint8_t channel, uint8_t controller, uint8_t value) {
    return MidiWord(Status(kControlChangeStatus, channel), Data7(controller), Data7(value));
}
constexpr uint32_t PitchWord(uint8_t channel, int64_t value) {
    return MidiWord(Status(kPitchStatus, channel), Data7(value), Data7(value >> 7));
}
constexpr uint32_t ProgramWord(uint8_t channel, uint8_t program) {
    return MidiWord(Status(kProgramStatus, channel), Data7(program));
}

}  // namespace

ChannelTarget TargetOf(uint8_t channel) {
    if (channel == kChannelOmni) return {0, 16, true};
    if (channel < 16) return {channel, static_cast<uint8_t>(channel + 1), false};
    return {};
}

void MidiOutput::Send(const ChannelTarget& target, uint32_t word, int64_t time) {
    if (target.omni) {
        sink_.SendOnAllChannels(word, time);
    } else if (!target.empty()) {
        sink_.SendOne(WordOnChannel(word, target.first), time);
    }
}

void MidiOutput::SendPair(const ChannelTarget& target, uint32_t first, uint32_t second,
                          int64_t time) {
    if (target.omni) {
        sink_.SendPairOnAllChannels(first, second, time);
    } else if (!target.empty()) {
        sink_.SendPair(WordOnChannel(first, target.first), WordOnChannel(second, target.first),
                       time);
    }
}

void MidiOutput::SendMarked(const ChannelTarget& target, const ChannelMask& marked, uint32_t word,
                            int64_t time) {
    if (target.omni) {
        if (std::ranges::any_of(marked, [](bool m) { return m; }))
            sink_.SendOnMarkedChannels(word, marked, time);
    } else if (!target.empty() && marked[target.first]) {
        sink_.SendOne(WordOnChannel(word, target.first), time);
    }
}

void MidiOutput::SendPairMarked(const ChannelTarget& target, const ChannelMask& marked,
                                uint32_t first, uint32_t second, int64_t time) {
    if (target.omni) {
        if (std::ranges::any_of(marked, [](bool m) { return m; }))
            sink_.SendPairOnMarkedChannels(first, second, marked, time);
    } else if (!target.empty() && marked[target.first]) {
        sink_.SendPair(WordOnChannel(first, target.first), WordOnChannel(second, target.first),
                       time);
    }
}

void MidiOutput::Note(uint8_t channel, uint8_t status, uint8_t note, uint8_t velocity,
                      int64_t time) {
    Send(TargetOf(channel), MidiWord(status, Data7(note), Data7(velocity)), time);
}

void MidiOutput::NoteOnOff(uint8_t channel, uint8_t note, uint8_t velocity, int64_t time) {
    SendPair(TargetOf(channel), MidiWord(kNoteOnStatus, Data7(note), Data7(velocity)),
             MidiWord(kNoteOffStatus, Data7(note), Data7(velocity)), time);
}

void MidiOutput::ChannelMode(uint8_t channel, uint16_t command, int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    const uint32_t notesOff = ControlWord(0, kAllNotesOff, 0);
    const uint32_t soundOff = ControlWord(0, kAllSoundOff, 0);
    if (command == 0) Send(target, notesOff, time);
    if (command == 1) Send(target, soundOff, time);
    if (command == 2) SendPair(target, notesOff, soundOff, time);
}

void MidiOutput::Extended(const std::vector<uint8_t>& bytes, int64_t time) {
    // The queue takes 1 to 255 bytes; anything else cannot be a stored message.
    if (bytes.empty() || bytes.size() > 255) return;
    sink_.SendExtended(bytes.data(), static_cast<uint8_t>(bytes.size()), time);
}

void MidiOutput::ControlChange(uint8_t channel, uint8_t controller, int64_t value, int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    Send(target, ControlWord(0, controller, Data7(value)), time);
    for (uint8_t c = target.first; c < target.end; ++c)
        state_.controllers[c][Data7(controller)] = Data7(value);
}

void MidiOutput::ProgramChange(uint8_t channel, int64_t program, int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    Send(target, ProgramWord(0, Data7(program)), time);
    for (uint8_t c = target.first; c < target.end; ++c)
        state_.programs[c] = Data7(program);
}

void MidiOutput::PitchWheel(uint8_t channel, int64_t value, int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    const int64_t value14 = value & kMax14;
    Send(target, PitchWord(0, value14), time);
    for (uint8_t c = target.first; c < target.end; ++c)
        state_.pitch[c] = static_cast<int32_t>(value14 * kPitchScale);
}

void MidiOutput::HiResControlChange(uint8_t channel, uint8_t controller, int64_t value,
                                    int64_t time) {
    if (!HasLowPart(controller)) return;
    const ChannelTarget target = TargetOf(channel);
    const uint8_t high = Data7(value >> 7);
    const uint8_t low = Data7(value);
    SendPair(target, ControlWord(0, controller, high),
             ControlWord(0, controller + kLowPartOffset, low), time);
    for (uint8_t c = target.first; c < target.end; ++c) {
        state_.controllers[c][controller] = high;
        state_.controllers[c][controller + kLowPartOffset] = low;
    }
}

void MidiOutput::ControlChangeBy(uint8_t channel, uint8_t controller, int64_t step, int64_t min,
                                 int64_t max, int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    for (uint8_t c = target.first; c < target.end; ++c) {
        auto& stored = state_.controllers[c][Data7(controller)];
        stored = Data7(ClampSum(stored + step, min, max, 127));
        sink_.SendOne(ControlWord(c, controller, stored), time);
    }
}

void MidiOutput::ProgramChangeBy(uint8_t channel, int64_t step, int64_t min, int64_t max,
                                 int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    for (uint8_t c = target.first; c < target.end; ++c) {
        auto& stored = state_.programs[c];
        stored = Data7(ClampSum(stored + step, min, max, 127));
        sink_.SendOne(ProgramWord(c, stored), time);
    }
}

void MidiOutput::PitchWheelBy(uint8_t channel, int64_t delta, int64_t min, int64_t max,
                              int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    for (uint8_t c = target.first; c < target.end; ++c) {
        auto& stored = state_.pitch[c];
        stored = static_cast<int32_t>(
            ClampSum(stored + delta, min * kPitchScale, max * kPitchScale, kMax14 * kPitchScale));
        sink_.SendOne(PitchWord(c, stored / kPitchScale), time);
    }
}

void MidiOutput::HiResControlChangeBy(uint8_t channel, uint8_t controller, int64_t step,
                                      int64_t min, int64_t max, int64_t time) {
    if (!HasLowPart(controller)) return;
    const ChannelTarget target = TargetOf(channel);
    for (uint8_t c = target.first; c < target.end; ++c) {
        auto& high = state_.controllers[c][controller];
        auto& low = state_.controllers[c][controller + kLowPartOffset];
        const int64_t value = ClampSum(high * 128 + low + step, min, max, kMax14);
        high = Data7(value >> 7);
        low = Data7(value);
        sink_.SendPair(ControlWord(c, controller, high),
                       ControlWord(c, controller + kLowPartOffset, low), time);
    }
}

void MidiOutput::ControlChangeWhereDue(uint8_t channel, uint8_t controller, uint8_t value,
                                       bool stepped, bool onChange, int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    ChannelMask marked{};
    for (uint8_t c = target.first; c < target.end; ++c) {
        auto& stored = state_.controllers[c][Data7(controller)];
        marked[c] = stepped || (onChange && stored != value);
        if (marked[c]) stored = Data7(value);
    }
    SendMarked(target, marked, ControlWord(0, controller, value), time);
}

void MidiOutput::ProgramChangeWhereDue(uint8_t channel, uint8_t program, bool stepped,
                                       bool onChange, int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    ChannelMask marked{};
    for (uint8_t c = target.first; c < target.end; ++c) {
        auto& stored = state_.programs[c];
        marked[c] = stepped || (onChange && stored != program);
        if (marked[c]) stored = Data7(program);
    }
    SendMarked(target, marked, ProgramWord(0, program), time);
}

void MidiOutput::PitchWheelWhereDue(uint8_t channel, uint16_t value, bool stepped, bool onChange,
                                    int64_t time) {
    const ChannelTarget target = TargetOf(channel);
    const int32_t scaled = static_cast<int32_t>((value & kMax14) * kPitchScale);
    ChannelMask marked{};
    for (uint8_t c = target.first; c < target.end; ++c) {
        auto& stored = state_.pitch[c];
        marked[c] = stepped || (onChange && stored != scaled);
        if (marked[c]) stored = scaled;
    }
    SendMarked(target, marked, PitchWord(0, value), time);
}

void MidiOutput::HiResControlChangeWhereDue(uint8_t channel, uint8_t controller, uint16_t value,
                                            bool stepped, bool onChange, int64_t time) {
    if (!HasLowPart(controller)) return;
    const ChannelTarget target = TargetOf(channel);
    const uint8_t high = Data7(value >> 7);
    const uint8_t low = Data7(value);
    ChannelMask marked{};
    for (uint8_t c = target.first; c < target.end; ++c) {
        auto& storedHigh = state_.controllers[c][controller];
        auto& storedLow = state_.controllers[c][controller + kLowPartOffset];
        marked[c] = stepped || (onChange && (storedHigh != high || storedLow != low));
        if (!marked[c]) continue;
        storedHigh = high;
        storedLow = low;
    }
    SendPairMarked(target, marked, ControlWord(0, controller, high),
                   ControlWord(0, controller + kLowPartOffset, low), time);
}

}  // namespace qmt
