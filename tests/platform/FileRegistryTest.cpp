#include "platform/FileRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TempFolder.h"

namespace qmt {
namespace {

class FileRegistryTest : public ::testing::Test {
  protected:
    TempFolder folder;
    FileRegistry registry{folder.file("user.reg"), folder.file("machine.reg")};
};

TEST_F(FileRegistryTest, StringsAndDwordsRoundTripThroughTheFile) {
    ASSERT_TRUE(registry.setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue,
                                   "/home/dj/My \"Presets\"\\old"));
    ASSERT_TRUE(registry.setDword(Hive::CurrentUser, "Software\\QMT\\QMTASIO", "Buffer Size", 5));
    EXPECT_EQ(folder.read("user.reg"),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\QMT]\n\n"
              "[HKEY_CURRENT_USER\\Software\\QMT\\QMTASIO]\n"
              "\"Buffer Size\"=dword:00000005\n");
    EXPECT_NE(
        folder.read("machine.reg").find("\"Preset Path\"=\"/home/dj/My \\\"Presets\\\"\\\\old\""),
        std::string::npos);

    FileRegistry reopened(folder.file("user.reg"), folder.file("machine.reg"));
    std::string text;
    uint32_t dword = 0;
    ASSERT_TRUE(reopened.queryString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, text));
    EXPECT_EQ(text, "/home/dj/My \"Presets\"\\old");
    ASSERT_TRUE(
        reopened.queryDword(Hive::CurrentUser, "Software\\QMT\\QMTASIO", "Buffer Size", dword));
    EXPECT_EQ(dword, 5u);
    // The hives are separate and a query of the wrong type fails.
    EXPECT_FALSE(reopened.queryString(Hive::CurrentUser, kQmtMidiKey, kPresetPathValue, text));
    EXPECT_FALSE(
        reopened.queryString(Hive::CurrentUser, "Software\\QMT\\QMTASIO", "Buffer Size", text));
}

TEST_F(FileRegistryTest, KeysAndValueNamesIgnoreCaseAndKeepTheirSpelling) {
    ASSERT_TRUE(
        registry.setString(Hive::CurrentUser, "Software\\QMT\\QMTMIDI", "Selected Mapping", "a"));
    ASSERT_TRUE(
        registry.setString(Hive::CurrentUser, "SOFTWARE\\qmt\\qmtmidi", "SELECTED MAPPING", "b"));
    std::string text;
    ASSERT_TRUE(registry.queryString(Hive::CurrentUser, "software\\Qmt\\QmtMidi",
                                     "selected mapping", text));
    EXPECT_EQ(text, "b");
    std::vector<std::string> names;
    ASSERT_TRUE(registry.enumSubkeys(Hive::CurrentUser, "software", names));
    EXPECT_EQ(names, std::vector<std::string>{"QMT"});
    EXPECT_NE(folder.read("user.reg").find("\"Selected Mapping\"=\"b\""), std::string::npos);
}

TEST_F(FileRegistryTest, DeleteKeyTakesTheWholeSubtreeAndNothingElse) {
    const std::string product = "Software\\QMT\\QMTASIO";
    ASSERT_TRUE(registry.setDword(Hive::CurrentUser, product + "\\Device 0\\Configuration0",
                                  "Channel0", 1));
    ASSERT_TRUE(registry.setDword(Hive::CurrentUser, product + "\\Device 1", "Type", 2));
    ASSERT_TRUE(registry.setDword(Hive::CurrentUser, product + "\\Device 10", "Type", 3));
    ASSERT_TRUE(registry.createKey(Hive::CurrentUser, product + "\\Device 2"));

    std::vector<std::string> names;
    ASSERT_TRUE(registry.enumSubkeys(Hive::CurrentUser, product, names));
    EXPECT_EQ(names, (std::vector<std::string>{"Device 0", "Device 1", "Device 10", "Device 2"}));

    ASSERT_TRUE(registry.deleteKey(Hive::CurrentUser, product + "\\device 1"));
    EXPECT_FALSE(registry.deleteKey(Hive::CurrentUser, product + "\\Device 1"));
    ASSERT_TRUE(registry.deleteKey(Hive::CurrentUser, product + "\\Device 0"));
    EXPECT_FALSE(registry.keyExists(Hive::CurrentUser, product + "\\Device 0\\Configuration0"));
    ASSERT_TRUE(registry.enumSubkeys(Hive::CurrentUser, product, names));
    EXPECT_EQ(names, (std::vector<std::string>{"Device 10", "Device 2"}));
    EXPECT_FALSE(registry.enumSubkeys(Hive::CurrentUser, product + "\\Device 0", names));
    EXPECT_FALSE(registry.deleteKey(Hive::CurrentUser, ""));
}

TEST_F(FileRegistryTest, ValuesAreDeletedOneByOne) {
    ASSERT_TRUE(registry.setString(Hive::CurrentUser, kQmtMidiKey, "A", "1"));
    ASSERT_TRUE(registry.setString(Hive::CurrentUser, kQmtMidiKey, "", "default"));
    ASSERT_TRUE(registry.deleteValue(Hive::CurrentUser, kQmtMidiKey, "a"));
    EXPECT_FALSE(registry.deleteValue(Hive::CurrentUser, kQmtMidiKey, "A"));
    EXPECT_FALSE(registry.deleteValue(Hive::CurrentUser, "Software\\Missing", "A"));
    std::string text;
    EXPECT_FALSE(registry.queryString(Hive::CurrentUser, kQmtMidiKey, "A", text));
    ASSERT_TRUE(registry.queryString(Hive::CurrentUser, kQmtMidiKey, "", text));
    EXPECT_EQ(text, "default");
    EXPECT_TRUE(registry.keyExists(Hive::CurrentUser, kQmtMidiKey));
}

TEST_F(FileRegistryTest, BadKeyPathsAreRefused) {
    EXPECT_FALSE(registry.setString(Hive::CurrentUser, "Software\\\\QMT", "x", "y"));
    EXPECT_FALSE(registry.createKey(Hive::CurrentUser, "Software\\Line\nBreak"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("user.reg")));
    EXPECT_TRUE(registry.createKey(Hive::CurrentUser, "\\Software\\QMT\\"));
    EXPECT_TRUE(registry.keyExists(Hive::CurrentUser, "Software\\QMT"));
}

TEST_F(FileRegistryTest, MissingFileReadsAsEmptyHive) {
    std::string text;
    EXPECT_FALSE(registry.keyExists(Hive::CurrentUser, kQmtMidiKey));
    EXPECT_FALSE(registry.queryString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, text));
    EXPECT_TRUE(registry.keyExists(Hive::CurrentUser, ""));
}

TEST_F(FileRegistryTest, CorruptFileReadsEmptyAndIsKeptAsideBeforeTheFirstWrite) {
    const std::string garbage = "[HKEY_CURRENT_USER\\Software]\n\"Broken\"=hex:00,01\n";
    folder.write("user.reg", garbage);
    std::string text;
    EXPECT_FALSE(registry.keyExists(Hive::CurrentUser, "Software"));
    // Reading leaves the file as it is.
    EXPECT_EQ(folder.read("user.reg"), garbage);
    EXPECT_FALSE(std::filesystem::exists(folder.file("user.reg.bad")));

    ASSERT_TRUE(registry.setString(Hive::CurrentUser, kQmtMidiKey, "Selected Mapping", "m"));
    EXPECT_EQ(folder.read("user.reg.bad"), garbage);
    ASSERT_TRUE(registry.queryString(Hive::CurrentUser, kQmtMidiKey, "Selected Mapping", text));
    EXPECT_EQ(text, "m");

    // A second corruption does not replace the first copy.
    folder.write("user.reg", "nonsense");
    ASSERT_TRUE(registry.setString(Hive::CurrentUser, kQmtMidiKey, "Selected Mapping", "n"));
    EXPECT_EQ(folder.read("user.reg.bad"), garbage);
    EXPECT_EQ(folder.read("user.reg.bad.1"), "nonsense");
}

TEST_F(FileRegistryTest, FileOfTheOtherHiveCountsAsCorrupt) {
    folder.write("user.reg", "[HKEY_LOCAL_MACHINE\\Software]\n");
    EXPECT_FALSE(registry.keyExists(Hive::CurrentUser, "Software"));
    ASSERT_TRUE(registry.createKey(Hive::CurrentUser, "Software"));
    EXPECT_TRUE(std::filesystem::exists(folder.file("user.reg.bad")));
}

TEST_F(FileRegistryTest, HandWrittenFileWithoutHeaderAndWithCommentsLoads) {
    folder.write("machine.reg",
                 "; written by hand\r\n"
                 "[HKEY_LOCAL_MACHINE\\Software\\QMT\\QMTASIO]\r\n"
                 "@=\"/opt/qmt\"\r\n"
                 "\"Count\"=DWORD:1F\r\n");
    std::string text;
    uint32_t dword = 0;
    ASSERT_TRUE(registry.queryString(Hive::LocalMachine, "Software\\QMT\\QMTASIO", "", text));
    EXPECT_EQ(text, "/opt/qmt");
    ASSERT_TRUE(registry.queryDword(Hive::LocalMachine, "Software\\QMT\\QMTASIO", "Count", dword));
    EXPECT_EQ(dword, 0x1Fu);
    // Parents of a section exist even without sections of their own.
    EXPECT_TRUE(registry.keyExists(Hive::LocalMachine, "Software\\QMT"));
}

TEST_F(FileRegistryTest, TwoStoresOnOneFolderSeeEachOthersWrites) {
    FileRegistry other(folder.file("user.reg"), folder.file("machine.reg"));
    ASSERT_TRUE(registry.setDword(Hive::CurrentUser, kQmtMidiKey, "A", 1));
    ASSERT_TRUE(other.setDword(Hive::CurrentUser, kQmtMidiKey, "B", 2));
    ASSERT_TRUE(registry.setDword(Hive::CurrentUser, kQmtMidiKey, "C", 3));
    uint32_t a = 0, b = 0, c = 0;
    EXPECT_TRUE(other.queryDword(Hive::CurrentUser, kQmtMidiKey, "A", a));
    EXPECT_TRUE(registry.queryDword(Hive::CurrentUser, kQmtMidiKey, "B", b));
    EXPECT_TRUE(other.queryDword(Hive::CurrentUser, kQmtMidiKey, "C", c));
    EXPECT_EQ(a + b + c, 6u);
}

TEST_F(FileRegistryTest, UnwritableFolderFailsTheWriteInsteadOfPretending) {
    FileRegistry blocked(folder.file("user.reg/inside/user.reg"), folder.file("machine.reg"));
    folder.write("user.reg", "");
    EXPECT_FALSE(blocked.setString(Hive::CurrentUser, kQmtMidiKey, "A", "1"));
}

class EnvironmentGuard {
  public:
    explicit EnvironmentGuard(const char* name) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
    }
    ~EnvironmentGuard() {
        if (had_) {
            ::setenv(name_, old_.c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

TEST(FileRegistryEnvironmentTest, RegistryDirMovesBothHives) {
    TempFolder folder;
    EnvironmentGuard guard("QMT_REGISTRY_DIR");
    ::setenv("QMT_REGISTRY_DIR", folder.path().c_str(), 1);
    auto registry = FileRegistry::fromEnvironment();
    ASSERT_NE(registry, nullptr);
    ASSERT_TRUE(registry->setString(Hive::LocalMachine, kQmtMidiKey, kMappingPathValue, "/m"));
    ASSERT_TRUE(registry->setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, "/m/a"));
    EXPECT_TRUE(std::filesystem::exists(folder.file("machine.reg")));
    EXPECT_TRUE(std::filesystem::exists(folder.file("user.reg")));
}

TEST(FileRegistryEnvironmentTest, UserHiveFollowsXdgConfigHomeAndFallsBackToHome) {
    EnvironmentGuard dir("QMT_REGISTRY_DIR"), xdg("XDG_CONFIG_HOME"), home("HOME");
    ::unsetenv("QMT_REGISTRY_DIR");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    ::setenv("HOME", "/home/dj", 1);
    std::string user, machine;
    ASSERT_TRUE(FileRegistry::pathsFromEnvironment(user, machine));
    EXPECT_EQ(user, "/cfg/qmt/user.reg");
    EXPECT_EQ(machine, "/etc/qmt/machine.reg");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    ASSERT_TRUE(FileRegistry::pathsFromEnvironment(user, machine));
    EXPECT_EQ(user, "/home/dj/.config/qmt/user.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    EXPECT_FALSE(FileRegistry::pathsFromEnvironment(user, machine));
    EXPECT_EQ(FileRegistry::fromEnvironment(), nullptr);
}

}  // namespace
}  // namespace qmt
