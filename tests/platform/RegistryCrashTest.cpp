// The registry store keeps every value a write acknowledged and never leaves a hive that reads
// as corrupt, while several processes write to one hive at once and are killed at random.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/FileRegistry.h"
#include "platform/RegistryFile.h"
#include "platform/RegistryHive.h"
#include "tests/platform/KillHarness.h"

namespace qmt {
namespace {

constexpr const char* kKey = "Software\\QMT\\QMTMIDI\\Crash";

// Values of varying length, so that a kill can find the file growing or shrinking.
std::string TextFor(uint32_t generation) {
    return std::string(generation % 97, 'x') + ":" + std::to_string(generation);
}

uint32_t GenerationOf(const std::string& text) {
    const size_t colon = text.rfind(':');
    return colon == std::string::npos ? 0
                                      : static_cast<uint32_t>(std::stoul(text.substr(colon + 1)));
}

TEST(RegistryCrashTest, KilledWritersLoseNoAcknowledgedValue) {
    TempFolder folder;
    const std::string user = folder.file("user.reg");
    constexpr int kWriters = 3;
    test::KillHarness harness(20240611, kWriters);
    std::vector<uint32_t> acked(kWriters, 0);
    const auto write = [&](int writer, uint32_t generation) {
        FileRegistry registry(user, folder.file("machine.reg"));
        return registry.setString(Hive::CurrentUser, kKey, "w" + std::to_string(writer),
                                  TextFor(generation));
    };
    for (int round = 0; round < 8; ++round) {
        std::string error;
        ASSERT_TRUE(harness.RunRound(write, acked, error)) << "round " << round << ": " << error;

        RegistryHive hive;
        const RegistryFile::Status status = RegistryFile(user, "HKEY_CURRENT_USER").load(hive);
        ASSERT_TRUE(status == RegistryFile::Status::Loaded ||
                    (status == RegistryFile::Status::Missing && acked == std::vector(kWriters, 0u)))
            << "round " << round << ": the hive does not read back";
        ASSERT_FALSE(std::filesystem::exists(user + ".bad")) << "a hive was set aside as corrupt";
        FileRegistry registry(user, folder.file("machine.reg"));
        for (int c = 0; c < kWriters; ++c) {
            std::string text;
            if (acked[c] == 0 &&
                !registry.queryString(Hive::CurrentUser, kKey, "w" + std::to_string(c), text))
                continue;
            ASSERT_TRUE(
                registry.queryString(Hive::CurrentUser, kKey, "w" + std::to_string(c), text))
                << "round " << round << ": writer " << c << " lost generation " << acked[c];
            const uint32_t stored = GenerationOf(text);
            // The write in flight when the writer died may or may not have landed.
            EXPECT_GE(stored, acked[c]) << "round " << round << ", writer " << c;
            EXPECT_LE(stored, acked[c] + 1) << "round " << round << ", writer " << c;
            EXPECT_EQ(text, TextFor(stored));
            acked[c] = stored;
        }
    }
}

}  // namespace
}  // namespace qmt
