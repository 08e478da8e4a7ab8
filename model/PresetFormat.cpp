#include <algorithm>
#include <array>

#include "model/PresetFile.h"

namespace qmt {

namespace {

// Every magic a reader accepts. The magic fixes kind and version; the version fixes the
// highest control identifier the file holds.
constexpr std::array<PresetFormat, 10> kFormats{{
    {"KVP0", PresetKind::Kvp, 0, 24, false},
    {"KVP1", PresetKind::Kvp, 1, 24, false},
    {"KVP2", PresetKind::Kvp, 2, 68, false},
    {"KAP0", PresetKind::Kap, 2, 68, false},
    {"KVP3", PresetKind::Kvp, 3, 75, false},
    {"KAP1", PresetKind::Kap, 3, 75, false},
    {"KVP4", PresetKind::Kvp, 4, 79, true},
    {"KAP2", PresetKind::Kap, 4, 79, true},
    {"KRP0", PresetKind::Krp, 4, 79, true},
    {"KQP0", PresetKind::Kqp, 5, 87, true},
}};

}  // namespace

const PresetFormat* PresetFormatForMagic(std::span<const uint8_t> magic) {
    if (magic.size() < 4) return nullptr;
    for (const PresetFormat& format : kFormats) {
        if (std::equal(magic.begin(), magic.begin() + 4, format.magic)) return &format;
    }
    return nullptr;
}

const PresetFormat& NewestPresetFormat(PresetKind kind) {
    for (const PresetFormat& format : kFormats) {
        if (format.newest && format.kind == kind) return format;
    }
    return kFormats[6];  // unreachable for the four kinds; KVP4 keeps the reference valid
}

const char* PresetExtension(PresetKind kind) {
    switch (kind) {
        case PresetKind::Kvp:
            return ".kvp";
        case PresetKind::Kap:
            return ".kap";
        case PresetKind::Krp:
            return ".krp";
        case PresetKind::Kqp:
            return ".kqp";
    }
    return ".kvp";
}

const char* PresetKindName(PresetKind kind) {
    switch (kind) {
        case PresetKind::Kvp:
            return "KVP";
        case PresetKind::Kap:
            return "KAP";
        case PresetKind::Krp:
            return "KRP";
        case PresetKind::Kqp:
            return "KQP";
    }
    return "KVP";
}

}  // namespace qmt
