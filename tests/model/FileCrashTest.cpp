// Preset and mapping files saved through SaveFileAtomically, the one save every program uses,
// are always whole and never older than the last save that reported success, while two
// processes save the same preset and are killed at random.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "model/Mapping.h"
#include "model/PresetFile.h"
#include "presets/FactoryPresets.h"
#include "tests/platform/KillHarness.h"

namespace qmt {
namespace {

constexpr int kWriters = 2;

// The generation travels in the preset's application list and in the mapping's entry name;
// the writer is the generation's remainder, so the two writers never save the same bytes.
uint32_t Stamp(int writer, uint32_t generation) {
    return generation * kWriters + static_cast<uint32_t>(writer);
}

std::vector<uint8_t> PresetBytes(const Preset& preset, uint32_t stamp) {
    const ApplicationEntry entry{"stamp", std::to_string(stamp)};
    return WritePreset(preset, {&entry, 1});
}

std::vector<uint8_t> MappingBytes(uint32_t stamp) {
    Mapping mapping = FactoryMapping();
    mapping.entries[0].name = std::to_string(stamp);
    return WriteMapping(mapping);
}

// The stamp of a whole preset file, or -1 when it does not read.
int64_t PresetStamp(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::vector<ApplicationEntry> applications;
    if (!ReadWholeFile(path, bytes, nullptr) || !ParsePreset(bytes, nullptr, &applications) ||
        applications.size() != 1)
        return -1;
    return std::stoll(applications[0].executablePath);
}

int64_t MappingStamp(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, nullptr)) return -1;
    MappingPtr mapping = ParseMapping(bytes);
    return mapping ? std::stoll(mapping->entries[0].name) : -1;
}

TEST(FileCrashTest, KilledSaversLeaveWholeFilesNoOlderThanAcknowledged) {
    test::TempDir dir;
    const std::string shared = dir.file("shared.kqp");
    const Preset preset = FactoryPresets().back().preset;
    test::KillHarness harness(7, kWriters);
    std::vector<uint32_t> acked(kWriters, 0);
    const auto save = [&](int writer, uint32_t generation) {
        const uint32_t stamp = Stamp(writer, generation);
        const std::string own = dir.file("own" + std::to_string(writer) + ".kdm");
        return SaveFileAtomically(shared, PresetBytes(preset, stamp)) &&
               SaveFileAtomically(own, MappingBytes(stamp));
    };
    for (int round = 0; round < 10; ++round) {
        std::string error;
        ASSERT_TRUE(harness.RunRound(save, acked, error)) << "round " << round << ": " << error;
        if (acked == std::vector(kWriters, 0u)) continue;

        // The shared file holds the last rename of some writer: never older than what that
        // writer had acknowledged, at most its one save in flight newer.
        const int64_t sharedStamp = PresetStamp(shared);
        ASSERT_GE(sharedStamp, 0) << "round " << round << ": the shared preset does not read";
        const int owner = static_cast<int>(sharedStamp % kWriters);
        const uint32_t sharedGeneration = static_cast<uint32_t>(sharedStamp / kWriters);
        EXPECT_GE(sharedGeneration, acked[owner]) << "round " << round;
        EXPECT_LE(sharedGeneration, acked[owner] + 1) << "round " << round;

        for (int c = 0; c < kWriters; ++c) {
            if (acked[c] == 0) continue;
            const int64_t stamp = MappingStamp(dir.file("own" + std::to_string(c) + ".kdm"));
            ASSERT_GE(stamp, 0) << "round " << round << ": writer " << c << "'s mapping";
            const uint32_t generation = static_cast<uint32_t>(stamp / kWriters);
            EXPECT_EQ(stamp % kWriters, c);
            EXPECT_GE(generation, acked[c]) << "round " << round << ", writer " << c;
            EXPECT_LE(generation, acked[c] + 1) << "round " << round << ", writer " << c;
            acked[c] = generation;
        }
    }
}

}  // namespace
}  // namespace qmt
