#include "driver/qmtmidi/MidiText.h"

#include <cstdio>

namespace qmt {

std::string HexBytes(std::span<const uint8_t> bytes) {
    std::string out;
    char hex[4];
    for (uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        if (!out.empty()) out += ' ';
        out += hex;
    }
    return out;
}

std::string DescribeMidi(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return "empty";
    const uint8_t status = bytes[0];
    if (status == 0xF0) return "system exclusive, " + std::to_string(bytes.size()) + " bytes";
    if (status < 0x80 || status >= 0xF0) return "other";
    const std::string ch = "ch" + std::to_string((status & 0x0F) + 1) + " ";
    const int a = bytes.size() > 1 ? bytes[1] : 0;
    const int b = bytes.size() > 2 ? bytes[2] : 0;
    switch (status & 0xF0) {
        case 0x80:
            return ch + "note off " + std::to_string(a) + " vel " + std::to_string(b);
        case 0x90:
            return ch + (b == 0 ? "note off " : "note on ") + std::to_string(a) + " vel " +
                   std::to_string(b);
        case 0xA0:
            return ch + "aftertouch " + std::to_string(a) + " = " + std::to_string(b);
        case 0xB0:
            return ch + "CC " + std::to_string(a) + " = " + std::to_string(b);
        case 0xC0:
            return ch + "program " + std::to_string(a);
        case 0xD0:
            return ch + "channel pressure " + std::to_string(a);
        default:
            return ch + "pitch " + std::to_string(a | (b << 7));
    }
}

}  // namespace qmt
