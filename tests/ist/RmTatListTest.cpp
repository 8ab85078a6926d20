#include "ist/RmTatList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sollist::ist {
namespace {

std::vector<std::string> Keys(const TRmTatList& list) {
    std::vector<std::string> keys;
    for (int i = 0; i < list.Count(); ++i) keys.push_back(list.Key(i));
    return keys;
}

TEST(RmTatList, KeepsKeysSortedWithoutRegardToCase) {
    TRmTatList list;
    for (const char* key : {"MONT", "cnc", "Zuschn", "ANTEN", "b1", "B2", "a"}) list.Add(key, "K", 1);
    EXPECT_EQ(Keys(list), (std::vector<std::string>{"a", "ANTEN", "b1", "B2", "cnc", "MONT", "Zuschn"}));
}

TEST(RmTatList, KeysDifferingOnlyInCaseShareTheFirstSpellingAndCostCentre) {
    TRmTatList list;
    list.Add("Mont", "MON", 2);
    list.Add("MONT", "XXX", 3);
    list.Add("mont", "YYY", 0.5);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Key(0), "Mont");
    EXPECT_EQ(list.Value(0).KoNumm, "MON");
    EXPECT_DOUBLE_EQ(list.Value(0).Sum, 5.5);
}

TEST(RmTatList, FindGivesTheInsertionPlaceOfAMissingKey) {
    TRmTatList list;
    list.Add("B", "", 1);
    list.Add("D", "", 1);
    int index = -1;
    EXPECT_FALSE(list.Find("a", index));
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(list.Find("c", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find("E", index));
    EXPECT_EQ(index, 2);
    EXPECT_TRUE(list.Find("d", index));
    EXPECT_EQ(index, 1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(CompareText, FoldsAsciiAndLatin1LettersOnly) {
    EXPECT_EQ(CompareText("ÄRGER", "ärger"), 0);
    EXPECT_EQ(CompareText("Öl", "öL"), 0);
    EXPECT_LT(CompareText("A", "b"), 0);
    EXPECT_GT(CompareText("ab", "A"), 0);
    EXPECT_LT(CompareText("ß", "ẞ"), 0);   // no folding outside Latin-1 letters
    EXPECT_NE(CompareText("x×", "x÷"), 0); // the multiplication sign is no letter
}

} // namespace
} // namespace sollist::ist
