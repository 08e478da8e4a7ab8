#include "model/MessageNames.h"

#include <array>

#include "model/Preset.h"

namespace qmt {

namespace {

constexpr std::array<const char*, kMessageKindCount> kKindNames{
    "None",
    "MIDI note",
    "MIDI aftertouch",
    "MIDI control change",
    "MIDI control change (inc)",
    "MIDI program change",
    "MIDI program change (inc)",
    "MIDI channel mode",
    "MIDI pitch wheel",
    "MIDI pitch wheel (inc)",
    "MIDI extended",
    "Key",
    "Hi-Res MIDI control change",
    "Hi-Res MIDI control change (inc)",
};

constexpr std::array<const char*, kEncodingCount> kEncodingNames{
    "3Fh : 41h", "3Fh : 40h", "7Fh : 01h", "7Fh : 00h", "40h : 41h", "00h : 01h",
};

constexpr std::array<const char*, 3> kCommandNames{
    "All Notes Off",
    "All Sounds Off",
    "All Notes and Sounds Off",
};

}  // namespace

const char* MessageKindName(uint8_t kind) {
    return kind < kKindNames.size() ? kKindNames[kind] : nullptr;
}

const char* EncodingName(uint8_t encoding) {
    return encoding < kEncodingNames.size() ? kEncodingNames[encoding] : nullptr;
}

const char* ChannelModeCommandName(uint8_t command) {
    return command < kCommandNames.size() ? kCommandNames[command] : nullptr;
}

std::string ChannelName(uint8_t channel) {
    if (channel < 16) return std::to_string(channel + 1);
    if (channel == kChannelDefault) return "Default";
    if (channel == kChannelOmni) return "Omni";
    return "(" + std::to_string(channel) + ")";
}

}  // namespace qmt
