#include "ui/list_rules.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> InsertSorted(std::vector<std::string> texts) {
  std::vector<std::string> items;
  for (const std::string& text : texts) {
    items.insert(items.begin() + ui::SortedInsertIndex(items, text), text);
  }
  return items;
}

TEST(ListRules, SortedListsIgnoreCase) {
  std::vector<std::string> expected{"Xmodem128", "Xmodem1K-CHK", "Xmodem1K-ZKCRC"};
  EXPECT_EQ(InsertSorted({"Xmodem1K-ZKCRC", "Xmodem128", "Xmodem1K-CHK"}), expected);
  EXPECT_EQ(InsertSorted({"COMM 2", "COMM 1"}), (std::vector<std::string>{"COMM 1", "COMM 2"}));
  EXPECT_EQ(InsertSorted({"b", "A", "a", "B"}), (std::vector<std::string>{"A", "a", "b", "B"}));
}

TEST(ListRules, ComparisonAndPrefix) {
  EXPECT_EQ(ui::CompareNoCase("abc", "ABC"), 0);
  EXPECT_LT(ui::CompareNoCase("ab", "abc"), 0);
  EXPECT_GT(ui::CompareNoCase("b", "A"), 0);
  EXPECT_TRUE(ui::StartsWithNoCase("Xmodem1K-ZKCRC", "xmodem1k-zkcrc"));
  EXPECT_TRUE(ui::StartsWithNoCase("Xmodem128", ""));
  EXPECT_FALSE(ui::StartsWithNoCase("Xmodem", "Xmodem1"));
}

}  // namespace
