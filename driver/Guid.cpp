#include "driver/Guid.h"

namespace qmt {

namespace {

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

Guid ParseGuid(std::string_view text) {
    Guid guid{};
    uint8_t raw[16];
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-') continue;
        if (i + 1 >= text.size() || n == 16) return Guid{};
        const int hi = Hex(text[i]);
        const int lo = Hex(text[i + 1]);
        if (hi < 0 || lo < 0) return Guid{};
        raw[n++] = static_cast<uint8_t>(hi * 16 + lo);
        ++i;
    }
    if (n != 16) return Guid{};
    // Data1 (4 bytes), Data2 and Data3 (2 bytes each) are stored little-endian.
    constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        guid[i] = raw[kOrder[i]];
    return guid;
}

}  // namespace qmt
