#include "platform/RegFileFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qmt {
namespace {

const std::string kUser = "HKEY_CURRENT_USER";

// Keys are found by their case-folded path, also after a removal has moved the keys behind
// it up the list; the first spelling stored is the one kept.
TEST(RegistryHiveTest, KeysAreFoundInAnyCaseBeforeAndAfterARemoval) {
    RegistryHive hive;
    hive.create("Software\\A\\Deep");
    hive.create("Software\\B").setValue({"x", RegistryValueType::Dword, {}, 7});
    EXPECT_EQ(&hive.create("SOFTWARE\\b"), hive.find("software\\B"));
    ASSERT_EQ(hive.keys().size(), 4u);  // the parents came first

    EXPECT_TRUE(hive.remove("software\\a"));
    EXPECT_FALSE(hive.exists("Software\\A\\Deep"));
    RegistryKey* b = hive.find("SOFTWARE\\B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->path, "Software\\B");
    EXPECT_EQ(b->findValue("X")->dword, 7u);
    hive.create("Software\\A");
    EXPECT_EQ(hive.find("software\\a"), &hive.keys().back());
    EXPECT_EQ(hive.subkeys("Software"), (std::vector<std::string>{"B", "A"}));
}

TEST(RegFileFormatTest, EveryCharacterSurvivesARoundTrip) {
    RegistryHive hive;
    RegistryValue value;
    value.name = "odd \"name\" \\ ]=";
    value.text = "line one\nline two\r\n\"quoted\" C:\\path\\ [x]";
    hive.create("Software\\Key ] with bracket").setValue(value);
    const std::string text = RegFileFormat::serialize(hive, kUser);

    RegistryHive back;
    ASSERT_TRUE(RegFileFormat::parse(text, kUser, back));
    RegistryKey* key = back.find("software\\key ] with bracket");
    ASSERT_NE(key, nullptr);
    RegistryValue* read = key->findValue(value.name);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->text, value.text);
    // Every value stays on one line of the file.
    EXPECT_EQ(text.find("line one\n"), std::string::npos);
}

TEST(RegFileFormatTest, HostileTextIsRefusedWithoutCrashing) {
    const char* bad[] = {
        "\"orphan\"=\"value before any key\"\n",
        "[HKEY_CURRENT_USER\\A]\n\"unterminated=\"x\n",
        "[HKEY_CURRENT_USER\\A]\n\"a\"=\"trailing escape\\",
        "[HKEY_CURRENT_USER\\A]\n\"a\"=\"bad escape \\q\"\n",
        "[HKEY_CURRENT_USER\\A]\n\"a\"=\"text\" junk\n",
        "[HKEY_CURRENT_USER\\A]\n\"a\"=dword:\n",
        "[HKEY_CURRENT_USER\\A]\n\"a\"=dword:123456789\n",
        "[HKEY_CURRENT_USER\\A]\n\"a\"=dword:12345g\n",
        "[HKEY_CURRENT_USER\\A]\n\"a\"=-\n",
        "[HKEY_CURRENT_USER\\A]\n\"a\"\n",
        "[HKEY_CURRENT_USERX]\n",
        "[HKEY_CURRENT_USER\\\\A]\n",
        "[HKEY_CURRENT_USER\\A\n",
        "[]\n",
        "[\n",
        "plain words\n",
        "@\n",
        "\"\n",
    };
    for (const char* text : bad) {
        RegistryHive hive;
        EXPECT_FALSE(RegFileFormat::parse(text, kUser, hive)) << text;
    }
    std::string binary(300, '\0');
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 37);
    RegistryHive hive;
    EXPECT_FALSE(RegFileFormat::parse(binary, kUser, hive));
}

TEST(RegFileFormatTest, RepeatedSectionsMergeAndLaterValuesWin) {
    RegistryHive hive;
    ASSERT_TRUE(
        RegFileFormat::parse("[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n"
                             "[HKEY_CURRENT_USER\\B]\n"
                             "[HKEY_CURRENT_USER\\a]\n\"X\"=dword:ffffffff\n",
                             kUser, hive));
    ASSERT_NE(hive.find("A"), nullptr);
    ASSERT_EQ(hive.find("A")->values.size(), 1u);
    EXPECT_EQ(hive.find("A")->values[0].dword, 0xFFFFFFFFu);
    EXPECT_EQ(hive.subkeys(""), (std::vector<std::string>{"A", "B"}));
}

}  // namespace
}  // namespace qmt
