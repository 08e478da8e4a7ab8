// When a mapping becomes live, applications learn the current controller values, programs
// and pitch of every channel the mapping's presets can change.

#include <array>

#include "engine/ActionEngine.h"
#include "model/Mapping.h"

namespace qmt {

namespace {

constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kPitchWheel = 0xE0;

// Which channels use which state.
struct UsedState {
    std::array<ChannelMask, 128> controllers{};
    ChannelMask programs{};
    ChannelMask pitch{};
};

void Mark(ChannelMask& mask, uint8_t channel) {
    const ChannelTarget target = TargetOf(channel);
    for (uint8_t c = target.first; c < target.end; ++c)
        mask[c] = true;
}

void Collect(const Message& m, UsedState& used) {
    switch (m.kind) {
        case kMsgHiResControlChange:
        case kMsgHiResControlChangeInc:
            if (m.number + 32 < 128) Mark(used.controllers[m.number + 32], m.channel);
            [[fallthrough]];
        case kMsgControlChange:
        case kMsgControlChangeInc:
            Mark(used.controllers[Data7(m.number)], m.channel);
            break;
        case kMsgProgramChange:
        case kMsgProgramChangeInc:
            Mark(used.programs, m.channel);
            break;
        case kMsgPitchWheel:
        case kMsgPitchWheelInc:
            Mark(used.pitch, m.channel);
            break;
        default:
            break;
    }
}

// Shared copies are scanned too: a copy carries its own slot's default channel, so it can
// use channels its original does not; the marks are a set, so nothing is sent twice.
UsedState CollectUsedState(const Mapping& mapping) {
    UsedState used;
    for (const MappingEntry& entry : mapping.entries) {
        for (const PresetPtr& preset : entry.presets) {
            if (!preset) continue;
            for (const AssignmentList& list : preset->lists)
                for (const Assignment& assignment : list)
                    for (const Message& message : assignment.messages)
                        Collect(message, used);
        }
    }
    return used;
}

uint8_t StatusOn(uint8_t base, uint8_t channel) {
    return static_cast<uint8_t>(base | channel);
}

}  // namespace

void ActionEngine::ResendControllerState(const Mapping& mapping, int64_t now) {
    const UsedState used = CollectUsedState(mapping);
    for (uint8_t controller = 0; controller < 128; ++controller) {
        for (uint8_t c = 0; c < 16; ++c) {
            if (!used.controllers[controller][c]) continue;
            sink_.SendOne(MidiWord(StatusOn(kControlChange, c), controller,
                                   Data7(state_.controllers[c][controller])),
                          now);
        }
    }
    for (uint8_t c = 0; c < 16; ++c) {
        if (used.programs[c])
            sink_.SendOne(MidiWord(StatusOn(kProgramChange, c), Data7(state_.programs[c])), now);
    }
    for (uint8_t c = 0; c < 16; ++c) {
        if (!used.pitch[c]) continue;
        const int32_t value = state_.pitch[c] / kPitchScale;
        sink_.SendOne(MidiWord(StatusOn(kPitchWheel, c), Data7(value), Data7(value >> 7)), now);
    }
}

}  // namespace qmt
