#include <gtest/gtest.h>

#include <clocale>

#include "common/AsciiCase.h"

using namespace qmt;

TEST(AsciiCase, FoldsOnlyAsciiLettersWhateverTheLocale) {
    // Under a Latin-1 locale std::tolower would turn 0xC4 into 0xE4; identifiers and file
    // names must not compare differently on such a desktop.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    EXPECT_TRUE(equalsIgnoreCase("\\\\?\\HID#VID_F7E1", "\\\\?\\hid#vid_f7e1"));
    EXPECT_FALSE(equalsIgnoreCase("\xC4", "\xE4"));
    EXPECT_FALSE(equalsIgnoreCase("abc", "abcd"));
    EXPECT_EQ(toLowerAscii("Copy OF Deck_A.KVP"), "copy of deck_a.kvp");
}

TEST(AsciiCase, OrdersLikeTheRuntimesCaseInsensitiveCompare) {
    // Folding to lower case puts '_' (0x5F) before the letters; folding to upper case would
    // put it after them and order "A_" and "AB" the other way round.
    EXPECT_LT(compareIgnoreCase("A_", "AB"), 0);
    EXPECT_EQ(compareIgnoreCase("Deck", "dECK"), 0);
    EXPECT_LT(compareIgnoreCase("deck", "Deck 2"), 0);
    EXPECT_GT(compareIgnoreCase("\xE9", "z"), 0);  // bytes above 0x7F compare unsigned
}

TEST(AsciiCase, FindsPatternsAndPrefixes) {
    EXPECT_TRUE(containsIgnoreCase("USB\\VID_F7E1&PID_0300&MI_02", "pid_0300"));
    EXPECT_TRUE(containsIgnoreCase("anything", ""));
    EXPECT_FALSE(containsIgnoreCase("MI_0", "MI_02"));
    EXPECT_TRUE(startsWithIgnoreCase("DWORD:0000000A", "dword:"));
    EXPECT_FALSE(startsWithIgnoreCase("dw", "dword:"));
}
