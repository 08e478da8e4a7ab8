// Hostile preset files: every truncation, every single-byte change (with the checksum made
// to match so the parser goes deep), huge counts and lengths anywhere, and random damage.
// Each must fail cleanly or give a preset that the writer can store and read back, without
// reading past the data or allocating more than the file could describe.

// The replaced global operator new below hands out malloc memory, so the matching delete
// frees it; GCC cannot see the replacement when it inlines gtest's new/delete pairs.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "PresetBytes.h"
#include "model/PresetDocument.h"
#include "model/PresetFile.h"

// The largest single allocation since the last reset, to show that no count from a file is
// trusted for a reservation.
static std::atomic<size_t> gLargestAllocation{0};

void* operator new(size_t size) {
    size_t seen = gLargestAllocation.load(std::memory_order_relaxed);
    while (size > seen && !gLargestAllocation.compare_exchange_weak(seen, size)) {
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}

namespace qmt {
namespace {

using test::PresetBytes;
using Bytes = std::vector<uint8_t>;

// Every structure a file can hold: applications, all three function layouts, times,
// thresholds, flags, extended bytes and "Key" references.
Bytes SampleFile(const char* magic) {
    const int version = test::VersionOfMagic(magic);
    const bool timeout = version >= 3;
    PresetBytes file(magic);
    file.u32(1).str("App").str("/a");
    for (int control = 0; control <= test::HighestControlOf(magic); ++control) {
        if (control == 0) {
            file.u32(2).u8(9).u8(kAutoRepeat).u32(30);
            if (timeout) file.u16(200);
            file.u8(kMsgExtended).u8(1).u8(3).u8(0xF0).u8(0x10).u8(0xF7);
            file.u8(kMsgKey).u32(0).u32(0x1C);
            file.u8(kNoControl).u8(kToggle);
            if (timeout) file.u16(0);
            file.u8(kMsgPitchWheelInc).u8(2).u16(0).u16(16383).u16(0xFF00).u8(kMsgNone);
        } else if (control == 23) {
            file.u32(1).u8(kNoControl).u8(kRotate);
            if (timeout) file.u16(0);
            file.u8(kMsgControlChange).u8(0).u8(7);
            if (version >= 1) file.u8(kEnc0001);
            file.i32(4096);
            if (version >= 1) file.u8(1);
            file.u8(kMsgNone);
        } else if (control == 24) {
            file.u32(1).u8(23).u8(kSlide);
            if (timeout) file.u16(0);
            file.u8(kMsgHiResControlChangeInc).u8(253).u8(4).u16(1).u16(2).i32(64 * 4096);
            if (version >= 1) file.u8(0);
            file.u8(kMsgNone);
        } else {
            file.u32(0);
        }
    }
    return file.finish();
}

void FixChecksum(Bytes& bytes) {
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    if (!bytes.empty()) bytes.back() = sum;
}

// Parses hostile bytes; whatever loads must survive validation and a write/read cycle.
// Returns true when the bytes loaded.
bool Survives(const Bytes& bytes) {
    // The copy is exactly as large as the data, so any read past it is caught.
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    gLargestAllocation = 0;
    std::string error;
    PresetPtr preset = ParsePreset(exact, &error);
    // A preset's table of lists is fixed; beyond it only the data can justify memory.
    EXPECT_LE(gLargestAllocation.load(), sizeof(Preset) + 256 * exact.size());
    auto document = PresetDocument::parse(exact);
    if (!preset) {
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(document, nullptr);
        return false;
    }
    ValidatePreset(*preset, &error);
    const Bytes written = WritePreset(*preset);
    PresetPtr again = ParsePreset(written, &error);
    EXPECT_NE(again, nullptr) << error;
    if (again) {
        EXPECT_EQ(WritePreset(*again), written);
    }
    if (document) {
        Bytes saved;
        EXPECT_TRUE(document->serialize(saved));
        EXPECT_NE(PresetDocument::parse(saved), nullptr);
    }
    return true;
}

class PresetFuzzTest : public testing::TestWithParam<const char*> {};

TEST_P(PresetFuzzTest, EveryTruncationFails) {
    const Bytes file = SampleFile(GetParam());
    ASSERT_TRUE(Survives(file));
    for (size_t length = 0; length < file.size(); ++length) {
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(Survives(cut)) << "length " << length;
        Bytes resummed = cut;
        resummed.push_back(0);
        FixChecksum(resummed);
        Survives(resummed);  // may even load; must not misbehave
    }
}

TEST_P(PresetFuzzTest, EverySingleByteChange) {
    const Bytes file = SampleFile(GetParam());
    for (size_t pos = 0; pos < file.size(); ++pos) {
        for (int value = 0; value < 256; ++value) {
            if (value == file[pos]) continue;
            Bytes changed = file;
            changed[pos] = static_cast<uint8_t>(value);
            if (pos + 1 < changed.size()) {
                FixChecksum(changed);
            } else {
                EXPECT_FALSE(Survives(changed)) << "a wrong checksum must fail";
                continue;
            }
            Survives(changed);
        }
    }
}

TEST_P(PresetFuzzTest, HugeCountsAndLengthsAnywhere) {
    const Bytes file = SampleFile(GetParam());
    for (size_t pos = 0; pos + 4 < file.size(); ++pos) {
        for (uint32_t value : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x01000000u, 0x00010000u}) {
            Bytes changed = file;
            for (int i = 0; i < 4; ++i)
                changed[pos + i] = static_cast<uint8_t>(value >> (8 * i));
            FixChecksum(changed);
            Survives(changed);
        }
    }
}

TEST_P(PresetFuzzTest, RandomDamage) {
    const Bytes file = SampleFile(GetParam());
    std::mt19937 random(20240607);  // fixed: the same damage on every run
    for (int round = 0; round < 3000; ++round) {
        Bytes changed = file;
        const int hits = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < hits; ++i)
            changed[random() % changed.size()] = random() & 0xFF;
        if (random() % 4 == 0) changed.resize(random() % changed.size());
        if (random() % 2 == 0) FixChecksum(changed);
        Survives(changed);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, PresetFuzzTest, testing::Values("KVP0", "KVP1", "KVP3", "KQP0"));

TEST(PresetFuzz, EmptyAndTinyInputs) {
    EXPECT_FALSE(Survives({}));
    EXPECT_FALSE(Survives({'K'}));
    EXPECT_FALSE(Survives({'K', 'Q', 'P', '0'}));
    EXPECT_FALSE(Survives({'K', 'Q', 'P', '0', 0, 0, 0}));
}

}  // namespace
}  // namespace qmt
