#pragma once
// Display names of message kinds, encodings, channel-mode commands and channels, as the
// configuration program lists them.

#include <cstdint>
#include <string>

namespace qmt {

// "None", "MIDI note", ..., "Hi-Res MIDI control change (inc)"; nullptr for unknown kinds.
const char* MessageKindName(uint8_t kind);
// "3Fh : 41h", ...; nullptr for unknown encodings.
const char* EncodingName(uint8_t encoding);
// "All Notes Off", "All Sounds Off", "All Notes and Sounds Off"; nullptr otherwise.
const char* ChannelModeCommandName(uint8_t command);
// "1" to "16" for channel bytes 0 to 15, "Default" (253), "Omni" (254), else the raw number
// in parentheses so that a bad byte is still visible.
std::string ChannelName(uint8_t channel);

}  // namespace qmt
