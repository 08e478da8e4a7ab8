#pragma once
// Builds preset file bytes field by field, independently of the code under test, so that
// the tests check the reader and the writer against the file layout itself.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qmt::test {

class PresetBytes {
  public:
    explicit PresetBytes(std::string_view magic) {
        for (char c : magic)
            data.push_back(static_cast<uint8_t>(c));
    }

    PresetBytes& u8(uint8_t v) {
        data.push_back(v);
        return *this;
    }
    PresetBytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    PresetBytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    PresetBytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    PresetBytes& str(std::string_view s) {
        u32(static_cast<uint32_t>(s.size()));
        for (char c : s)
            data.push_back(static_cast<uint8_t>(c));
        return *this;
    }
    PresetBytes& bytes(const std::vector<uint8_t>& raw) {
        data.insert(data.end(), raw.begin(), raw.end());
        return *this;
    }
    // `count` empty control lists.
    PresetBytes& emptyLists(int count) {
        for (int i = 0; i < count; ++i)
            u32(0);
        return *this;
    }
    // The bytes with the closing checksum.
    std::vector<uint8_t> finish() const {
        std::vector<uint8_t> out = data;
        uint8_t sum = 0;
        for (uint8_t b : data)
            sum = static_cast<uint8_t>(sum + b);
        out.push_back(sum);
        return out;
    }

    std::vector<uint8_t> data;
};

// The ten magics with what the file layout says about them.
struct MagicInfo {
    const char* magic;
    int version;
    int highestControl;
};

inline const std::vector<MagicInfo>& AllMagics() {
    static const std::vector<MagicInfo> magics{
        {"KVP0", 0, 24}, {"KVP1", 1, 24}, {"KVP2", 2, 68}, {"KAP0", 2, 68}, {"KVP3", 3, 75},
        {"KAP1", 3, 75}, {"KVP4", 4, 79}, {"KAP2", 4, 79}, {"KRP0", 4, 79}, {"KQP0", 5, 87},
    };
    return magics;
}

inline int HighestControlOf(std::string_view magic) {
    for (const MagicInfo& info : AllMagics()) {
        if (magic == info.magic) return info.highestControl;
    }
    return -1;
}

inline int VersionOfMagic(std::string_view magic) {
    for (const MagicInfo& info : AllMagics()) {
        if (magic == info.magic) return info.version;
    }
    return -1;
}

// A file with no applications and one list of raw assignment bytes on `control`.
inline std::vector<uint8_t> OneListFile(std::string_view magic, int control, uint32_t count,
                                        const std::vector<uint8_t>& assignments) {
    PresetBytes file(magic);
    file.u32(0).emptyLists(control).u32(count).bytes(assignments);
    file.emptyLists(HighestControlOf(magic) - control);
    return file.finish();
}

// Appends a little-endian value to raw message bytes.
inline void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace qmt::test
