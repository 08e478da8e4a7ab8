#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TempFolder.h"
#include "platform/FileRegistry.h"

namespace qmt {
namespace {

// Each writer sets its own values; none may be lost to another's read-modify-write.
void writeValues(FileRegistry& registry, const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(registry.setDword(Hive::CurrentUser, kQmtMidiKey, prefix + std::to_string(i),
                                      static_cast<uint32_t>(i)));
    }
}

TEST(FileRegistryThreadTest, ThreadsSharingOneStoreLoseNoWrites) {
    TempFolder folder;
    FileRegistry registry(folder.file("user.reg"), folder.file("machine.reg"));
    std::thread a([&] { writeValues(registry, "a", 20); });
    std::thread b([&] { writeValues(registry, "b", 20); });
    std::thread reader([&] {
        uint32_t value = 0;
        for (int i = 0; i < 20; ++i)
            registry.queryDword(Hive::CurrentUser, kQmtMidiKey, "a0", value);
    });
    a.join();
    b.join();
    reader.join();
    for (const char* prefix : {"a", "b"}) {
        for (int i = 0; i < 20; ++i) {
            uint32_t value = 99;
            EXPECT_TRUE(registry.queryDword(Hive::CurrentUser, kQmtMidiKey,
                                            prefix + std::to_string(i), value));
            EXPECT_EQ(value, static_cast<uint32_t>(i));
        }
    }
}

TEST(FileRegistryThreadTest, TwoStoresOnOneFolderLoseNoWrites) {
    TempFolder folder;
    FileRegistry first(folder.file("user.reg"), folder.file("machine.reg"));
    FileRegistry second(folder.file("user.reg"), folder.file("machine.reg"));
    std::thread a([&] { writeValues(first, "first", 25); });
    std::thread b([&] { writeValues(second, "second", 25); });
    a.join();
    b.join();
    FileRegistry check(folder.file("user.reg"), folder.file("machine.reg"));
    int found = 0;
    for (const char* prefix : {"first", "second"}) {
        for (int i = 0; i < 25; ++i) {
            uint32_t value = 0;
            found +=
                check.queryDword(Hive::CurrentUser, kQmtMidiKey, prefix + std::to_string(i), value);
        }
    }
    EXPECT_EQ(found, 50);
    EXPECT_FALSE(std::filesystem::exists(folder.file("user.reg.bad")));
}

}  // namespace
}  // namespace qmt
