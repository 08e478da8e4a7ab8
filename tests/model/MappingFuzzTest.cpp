// Hostile mapping files: every truncation and every single-byte change of a valid file
// must fail cleanly or parse into something sane, never read past the data.

#include <gtest/gtest.h>

#include "model/ByteReader.h"
#include "model/Mapping.h"

namespace qmt {
namespace {

std::vector<uint8_t> sampleMapping() {
    ByteWriter out;
    out.raw(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("KDM2"), 4));
    out.u32(2);
    out.string("SERIAL");
    out.u32(3);
    out.u32(2);
    for (uint32_t slot : {1u, 2u}) {
        out.u32(slot);
        out.string("Deck");
        out.u8(static_cast<uint8_t>(slot));
        out.u8(254);
    }
    out.string("");
    out.u32(1);
    out.u32(1);
    out.u32(0);
    out.string("Kv");
    out.u8(3);
    out.u8(3);
    return out.finish();
}

void fixChecksum(std::vector<uint8_t>& bytes) {
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    bytes.back() = sum;
}

void expectSane(const Mapping& mapping) {
    EXPECT_FALSE(mapping.entries.empty());
    for (const auto& entry : mapping.entries) {
        EXPECT_TRUE(entry.type <= 4 || entry.type == 6);
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            EXPECT_LE(entry.defaultChannels[slot], 15);
            EXPECT_TRUE(entry.inputChannels[slot] <= 15 || entry.inputChannels[slot] == 254);
        }
    }
}

TEST(MappingFuzz, EveryTruncationFails) {
    const auto bytes = sampleMapping();
    ASSERT_TRUE(ParseMapping(bytes));
    for (size_t length = 0; length < bytes.size(); ++length) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
        EXPECT_FALSE(ParseMapping(cut)) << "length " << length;
    }
}

TEST(MappingFuzz, EverySingleByteChangeFailsCleanlyOrStaysSane) {
    const auto bytes = sampleMapping();
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        for (int value : {0x00, 0x01, 0x07, 0x7F, 0x80, 0xFE, 0xFF}) {
            auto changed = bytes;
            changed[i] = static_cast<uint8_t>(value);
            fixChecksum(changed);
            if (auto mapping = ParseMapping(changed)) expectSane(*mapping);
        }
    }
}

TEST(MappingFuzz, HugeCountsAndLengthsAllocateNothing) {
    ByteWriter out;
    out.raw(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("KDM2"), 4));
    out.u32(0xFFFFFFFF);
    out.string("x");
    EXPECT_FALSE(ParseMapping(out.finish()));

    ByteWriter slots;
    slots.raw(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("KDM2"), 4));
    slots.u32(1);
    slots.u32(0xFFFFFFF0);  // name length far past the end
    EXPECT_FALSE(ParseMapping(slots.finish()));

    ByteWriter manySlots;
    manySlots.raw(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("KDM2"), 4));
    manySlots.u32(1);
    manySlots.string("");
    manySlots.u32(1);
    manySlots.u32(0xFFFFFFFF);  // slot count
    EXPECT_FALSE(ParseMapping(manySlots.finish()));
}

}  // namespace
}  // namespace qmt
