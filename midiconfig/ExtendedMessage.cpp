#include "midiconfig/ExtendedMessage.h"

#include <cstdlib>

namespace qmt {

namespace {

// Four characters per byte ("F0h ") is the longest sensible text for 255 bytes; anything
// from here on cannot be a valid message.
constexpr size_t kTooLongText = 1021;

bool IsSeparator(char c) {
    return c == ' ' || c == ',' || c == ';' || c == '\t';
}

// Reads one run of non-separator characters as the C library's unsigned conversion does,
// in base 16 for "1Fh" and "0x1F", else in base 10. False when the conversion does not end
// exactly at the end of the run, or when the run holds no digit at all ("h").
bool ReadNumber(const std::string& run, unsigned long& value) {
    std::string digits = run;
    int base = 10;
    if (digits.back() == 'h' || digits.back() == 'H') {
        digits.pop_back();
        base = 16;
    } else if (digits.size() > 2 && digits.compare(0, 2, "0x") == 0) {
        base = 16;
    }
    if (digits.empty()) return false;
    const char* begin = digits.c_str();
    char* end = nullptr;
    value = std::strtoul(begin, &end, base);
    return end != begin && end == begin + digits.size();
}

}  // namespace

bool ParseExtendedMessage(const std::string& text, std::vector<uint8_t>& bytes,
                          std::string& error) {
    if (text.size() >= kTooLongText) {
        error = kExtendedTooLong;
        return false;
    }
    std::vector<uint8_t> parsed;
    std::string run;
    // The appended separator ends the last run.
    for (char c : text + ' ') {
        if (!IsSeparator(c)) {
            run += c;
            continue;
        }
        if (run.empty()) continue;
        unsigned long value = 0;
        if (!ReadNumber(run, value)) {
            error = kExtendedErrors;
            return false;
        }
        if (value > 255) {
            error = kExtendedOutOfRange;
            return false;
        }
        if (parsed.size() == kMaxExtendedBytes) {
            error = kExtendedTooLong;
            return false;
        }
        parsed.push_back(static_cast<uint8_t>(value));
        run.clear();
    }
    bytes = std::move(parsed);
    return true;
}

std::string ExtendedMessageText(const std::vector<uint8_t>& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
        text += 'h';
    }
    return text;
}

}  // namespace qmt
