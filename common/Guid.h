#pragma once
// GUIDs as the port, the property requests and the kernel-streaming records carry them: 16
// bytes in the Windows memory layout, so a record holding one has the documented size.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace qmt {

using Guid = std::array<uint8_t, 16>;

namespace guid_detail {

constexpr int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace guid_detail

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (no braces) into the memory layout:
// the first three groups little-endian, the last two as written. All zero on bad text.
constexpr Guid ParseGuid(std::string_view text) {
    uint8_t raw[16] = {};
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-') continue;
        if (i + 1 >= text.size() || n == 16) return Guid{};
        const int hi = guid_detail::Hex(text[i]);
        const int lo = guid_detail::Hex(text[i + 1]);
        if (hi < 0 || lo < 0) return Guid{};
        raw[n++] = static_cast<uint8_t>(hi * 16 + lo);
        ++i;
    }
    if (n != 16) return Guid{};
    // Data1 (4 bytes), Data2 and Data3 (2 bytes each) are stored little-endian.
    constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    Guid guid{};
    for (int i = 0; i < 16; ++i)
        guid[i] = raw[kOrder[i]];
    return guid;
}

constexpr bool IsNullGuid(const Guid& guid) {
    for (uint8_t b : guid)
        if (b != 0) return false;
    return true;
}

// The registry form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case: the inverse of
// ParseGuid with braces around.
inline std::string FormatGuid(const Guid& guid) {
    char text[39];
    std::snprintf(text, sizeof text,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid[3],
                  guid[2], guid[1], guid[0], guid[5], guid[4], guid[7], guid[6], guid[8], guid[9],
                  guid[10], guid[11], guid[12], guid[13], guid[14], guid[15]);
    return text;
}

}  // namespace qmt
