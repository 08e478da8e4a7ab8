#pragma once
// GUIDs as the port and the property requests carry them (the Windows memory layout).

#include <array>
#include <cstdint>
#include <string_view>

namespace qmt {

using Guid = std::array<uint8_t, 16>;

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (no braces) into the memory layout:
// the first three groups little-endian, the last two as written. All zero on bad text.
Guid ParseGuid(std::string_view text);

inline bool IsNullGuid(const Guid& guid) {
    for (uint8_t b : guid)
        if (b != 0) return false;
    return true;
}

}  // namespace qmt
