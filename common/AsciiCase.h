#pragma once
// Case-insensitive handling of 8-bit text in the ASCII sense only. Device identifiers,
// registry names, serial numbers and file names compare this way on every system the
// controllers meet, and the answer must not change with the process's locale (std::tolower
// would fold other bytes under some locales).

#include <string>
#include <string_view>

namespace qmt {

constexpr char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string toLowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = toLowerAscii(c);
    return lower;
}

constexpr bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (toLowerAscii(a[i]) != toLowerAscii(b[i])) return false;
    return true;
}

// Negative, zero or positive as a sorts before, with or after b once both are folded to
// lower case, comparing bytes as unsigned (the order of the C runtime's case-insensitive
// compare).
constexpr int compareIgnoreCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(toLowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(toLowerAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

constexpr bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// An empty pattern is found in every text.
constexpr bool containsIgnoreCase(std::string_view text, std::string_view pattern) {
    if (pattern.size() > text.size()) return false;
    for (size_t at = 0; at + pattern.size() <= text.size(); ++at)
        if (equalsIgnoreCase(text.substr(at, pattern.size()), pattern)) return true;
    return false;
}

}  // namespace qmt
