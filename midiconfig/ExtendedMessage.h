#pragma once
// The text form of a "MIDI extended" message, as the assignment panel's edit field holds it:
// numbers separated by spaces, commas, semicolons or tabs, decimal unless they end in 'h'
// or start with "0x". The display form writes every byte as "F0h".

#include <cstdint>
#include <string>
#include <vector>

namespace qmt {

// The messages the panel shows for a text it cannot take.
inline constexpr const char* kExtendedTooLong =
    "Extended message is too long. The length of the\nextended message is limited to 255 bytes.";
inline constexpr const char* kExtendedErrors = "The extended message contains errors";
inline constexpr const char* kExtendedOutOfRange =
    "Found constant that doesn't fit in range 0-255 (0-FFh).";

// The longest message the file's length byte can describe.
inline constexpr size_t kMaxExtendedBytes = 255;

// Parses `text` into `bytes`. On failure returns false, leaves `bytes` alone and sets
// `error` to one of the three texts above.
bool ParseExtendedMessage(const std::string& text, std::vector<uint8_t>& bytes, std::string& error);

// "F0h 7Eh 7Fh F7h"; empty for no bytes.
std::string ExtendedMessageText(const std::vector<uint8_t>& bytes);

}  // namespace qmt
