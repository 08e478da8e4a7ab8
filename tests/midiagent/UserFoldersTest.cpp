// The user's own folders on first start: seeded from the machine's factory folders,
// nothing overwritten, nothing lost when the machine has none.

#include "midiagent/UserFolders.h"

#include <gtest/gtest.h>

#include "platform/FileRegistry.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

class UserFoldersTest : public ::testing::Test {
  protected:
    UserFoldersTest() : registry(folder.file("user.reg"), folder.file("machine.reg")) {
        std::filesystem::create_directories(folder.file("factory"));
        registry.setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue,
                           folder.file("factory"));
        registry.setString(Hive::LocalMachine, kQmtMidiKey, kMappingPathValue,
                           folder.file("factory"));
    }
    std::string user(const char* value) {
        std::string text;
        registry.queryString(Hive::CurrentUser, kQmtMidiKey, value, text);
        return text;
    }

    TempFolder folder;
    FileRegistry registry;
    const std::string home = folder.file("data");
    const std::string presets = home + "/qmt/presets";
    const std::string mappings = home + "/qmt/mappings";
};

TEST_F(UserFoldersTest, FirstStartCopiesFactoryFilesWithoutOverwritingAny) {
    folder.write("factory/Deck.kvp", "factory kvp");
    folder.write("factory/Club.KAP", "factory kap");
    folder.write("factory/Single.kdm", "factory kdm");
    folder.write("factory/readme.txt", "not a preset");
    // The user already has a file of that name: it stays theirs.
    std::filesystem::create_directories(presets);
    folder.write("data/qmt/presets/Deck.kvp", "mine");

    ASSERT_TRUE(EnsureUserFolders(registry, home));
    EXPECT_EQ(user(kPresetPathValue), presets);
    EXPECT_EQ(user(kMappingPathValue), mappings);
    EXPECT_EQ(folder.read("data/qmt/presets/Deck.kvp"), "mine");
    EXPECT_EQ(folder.read("data/qmt/presets/Club.KAP"), "factory kap");
    EXPECT_EQ(folder.read("data/qmt/mappings/Single.kdm"), "factory kdm");
    EXPECT_FALSE(std::filesystem::exists(presets + "/Single.kdm"));
    EXPECT_FALSE(std::filesystem::exists(presets + "/readme.txt"));

    // Once the user has folders, later starts leave everything alone.
    std::filesystem::remove(presets + "/Club.KAP");
    ASSERT_TRUE(EnsureUserFolders(registry, home));
    EXPECT_FALSE(std::filesystem::exists(presets + "/Club.KAP"));
}

TEST_F(UserFoldersTest, MissingOrUnreadableMachineFoldersLeaveEmptyUserFolders) {
    registry.setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, folder.file("none"));
    registry.deleteValue(Hive::LocalMachine, kQmtMidiKey, kMappingPathValue);
    ASSERT_TRUE(EnsureUserFolders(registry, home));
    EXPECT_TRUE(std::filesystem::is_empty(presets));
    EXPECT_TRUE(std::filesystem::is_empty(mappings));
    EXPECT_EQ(user(kPresetPathValue), presets);
}

TEST_F(UserFoldersTest, AUsersOwnMappingFolderIsKept) {
    registry.setString(Hive::CurrentUser, kQmtMidiKey, kMappingPathValue, "/home/dj/sets");
    ASSERT_TRUE(EnsureUserFolders(registry, home));
    EXPECT_EQ(user(kMappingPathValue), "/home/dj/sets");
    EXPECT_EQ(user(kPresetPathValue), presets);
}

TEST_F(UserFoldersTest, FoldersThatCannotBeMadeStoreNothing) {
    folder.write("file", "x");
    EXPECT_FALSE(EnsureUserFolders(registry, folder.file("file")));
    EXPECT_EQ(user(kPresetPathValue), "");
    EXPECT_FALSE(EnsureUserFolders(registry, ""));
}

}  // namespace
}  // namespace qmt
