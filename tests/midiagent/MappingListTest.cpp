// The mapping list: byte order, groups by the text before " - ", the selection, and the
// files a folder offers.

#include "midiagent/MappingList.h"

#include <gtest/gtest.h>

#include <fstream>

#include "midiagent/AgentMenu.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

std::vector<std::string> namesOf(const MappingList& list) {
    std::vector<std::string> names;
    for (const MappingListEntry& entry : list.entries())
        names.push_back(entry.name);
    return names;
}

TEST(MappingListTest, SortsByBytesAndGroupsOnlyEqualPrefixes) {
    const MappingList list({"Traktor - Two Decks", "a", "Traktor-Four", "Traktor - One",
                            "traktor - lower", "Traktors - X", "Club", " - dash first"},
                           std::nullopt);
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{" - dash first", "Club", "Traktor - One",
                                                       "Traktor - Two Decks", "Traktor-Four",
                                                       "Traktors - X", "a", "traktor - lower"}));
    // Leaders and members: the three "Traktor" names, with and without blanks around the
    // '-', form one group; another letter case or a longer prefix starts a group of its own.
    EXPECT_FALSE(list[0].separator);  // the '-' only has blanks before it
    EXPECT_EQ(list[2].leader, 2u);
    EXPECT_EQ(list[2].memberCount, 3u);
    EXPECT_EQ(list[3].leader, 2u);
    EXPECT_EQ(list[4].leader, 2u);
    EXPECT_EQ(list[5].leader, 5u);
    EXPECT_EQ(list[7].leader, 7u);
    EXPECT_EQ(list.prefixOf(2), "Traktor");
    EXPECT_EQ(list.memberTextOf(3), "Two Decks");
    EXPECT_EQ(list.memberTextOf(4), "Four");
}

TEST(MappingListTest, ANameWithoutSeparatorLeadsAloneEvenBeforeItsPrefix) {
    const MappingList list({"Mixxx", "Mixxx - Pro", "Mixxx - Lite"}, std::string("MIXXX - PRO"));
    EXPECT_EQ(list[0].memberCount, 1u);
    EXPECT_EQ(list[1].leader, 1u);
    EXPECT_EQ(list[2].leader, 1u);
    // The selection matches ignoring case, and marks its group's leader.
    EXPECT_TRUE(list[2].selected);
    EXPECT_TRUE(list[1].groupHasSelected);
    EXPECT_FALSE(list[0].groupHasSelected);
}

TEST(MappingListTest, EqualNamesAreAllListedAndAllChecked) {
    // Two files whose names differ only in the extension's case give two equal names; the
    // selection checks both.
    const MappingList list({"Set - B", "Set - A", "Set - B"}, std::string("set - b"));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{"Set - A", "Set - B", "Set - B"}));
    EXPECT_TRUE(list[1].selected);
    EXPECT_TRUE(list[2].selected);
    EXPECT_EQ(list[0].memberCount, 3u);
}

TEST(MappingListTest, SelectedNameIsTheFileNameWithoutItsExtension) {
    EXPECT_EQ(SelectedMappingNameOf("/home/dj/maps/Club - Two.v2.kdm"), "Club - Two.v2");
    EXPECT_EQ(SelectedMappingNameOf("C:\\Maps\\Club.kdm"), "Club");
    EXPECT_EQ(SelectedMappingNameOf("NoExtension"), "NoExtension");
}

TEST(MappingListTest, FolderOffersMappingFilesInAnyLetterCaseButNoFolders) {
    TempFolder folder;
    for (const char* file : {"b.kdm", "a.KDM", "a.kdm", "notes.txt", "preset.kvp", ".kdm"})
        folder.write(file, "x");
    std::filesystem::create_directory(folder.file("folder.kdm"));
    EXPECT_EQ(MappingNamesInFolder(folder.path()), (std::vector<std::string>{"", "a", "a", "b"}));
    EXPECT_TRUE(MappingNamesInFolder(folder.file("missing")).empty());
}

TEST(AgentMenuTest, GroupsBecomeCheckedSubmenusAndCommandsCountTheWholeList) {
    const MappingList list({"Club", "Traktor - One", "Traktor - Two", "Solo - Only"},
                           std::string("Traktor - Two"));
    AgentMenu menu;
    AppendMappingItems(list, menu);
    // List order: Club, Solo - Only, Traktor - One, Traktor - Two.
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].label, "Club");
    EXPECT_EQ(menu[0].command, 260);
    EXPECT_FALSE(menu[0].checked);
    // A prefix used by one file only is a plain item with the whole name.
    EXPECT_EQ(menu[1].label, "Solo - Only");
    EXPECT_EQ(menu[1].command, 261);
    EXPECT_EQ(menu[2].kind, AgentMenuItem::Kind::Submenu);
    EXPECT_EQ(menu[2].label, "Traktor");
    EXPECT_TRUE(menu[2].checked);
    ASSERT_EQ(menu[2].items.size(), 2u);
    EXPECT_EQ(menu[2].items[0].label, "One");
    EXPECT_EQ(menu[2].items[0].command, 262);
    EXPECT_FALSE(menu[2].items[0].checked);
    EXPECT_EQ(menu[2].items[1].label, "Two");
    EXPECT_EQ(menu[2].items[1].command, 263);
    EXPECT_TRUE(menu[2].items[1].checked);
}

TEST(AgentMenuTest, TrayMenuEndsWithEditorAutorunAndExit) {
    const AgentMenu off = BuildTrayMenu(MappingList({"Club"}, std::nullopt), false);
    ASSERT_EQ(off.size(), 5u);
    EXPECT_EQ(off[1].kind, AgentMenuItem::Kind::Separator);
    EXPECT_EQ(off[2].label, "Show editor");
    EXPECT_EQ(off[2].command, kShowEditorCommand);
    EXPECT_TRUE(off[2].isDefault);
    EXPECT_EQ(off[3].label, "Enable autorun");
    EXPECT_EQ(off[3].command, 258);
    EXPECT_EQ(off[4].label, "Exit");
    EXPECT_EQ(off[4].command, 256);
    const AgentMenu on = BuildTrayMenu(MappingList(), true);
    ASSERT_EQ(on.size(), 4u);
    EXPECT_EQ(on[2].label, "Disable autorun");
    EXPECT_EQ(on[2].command, 259);
}

}  // namespace
}  // namespace qmt
