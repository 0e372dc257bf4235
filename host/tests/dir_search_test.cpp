#include "host/dir_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

class DirSearchTest : public ::testing::Test {
 protected:
  void MakeFile(const std::string& name, size_t size = 0) {
    std::ofstream(root() / name) << std::string(size, 'x');
  }
  std::vector<std::string> Names(const std::string& pattern) {
    host::DirSearch search;
    std::vector<std::string> names;
    if (!search.Open(root().string() + "/", pattern)) return {"<no directory>"};
    host::DirEntry entry;
    while (search.Next(entry)) names.push_back(entry.name);
    return names;
  }

  host::testing::ScratchDir scratch_;
  const fs::path& root() const { return scratch_.path(); }
};

using NameList = std::vector<std::string>;

TEST_F(DirSearchTest, WildcardsMatchWithoutRegardToCase) {
  for (const char* name : {"alpha.BIN", "Beta.bin", "gamma.txt", "README", "ab"}) MakeFile(name);
  EXPECT_EQ(Names("*.bin"), (NameList{"alpha.BIN", "Beta.bin"}));
  EXPECT_EQ(Names("BETA.BIN"), (NameList{"Beta.bin"}));
  EXPECT_EQ(Names("?eta.*"), (NameList{"Beta.bin"}));
  EXPECT_EQ(Names("a?"), (NameList{"ab"}));
  EXPECT_EQ(Names("a*a*.b?n"), (NameList{"alpha.BIN"}));
  EXPECT_EQ(Names("readme.*"), (NameList{"README"}));  // ".*" also matches no extension
  EXPECT_EQ(Names("nothing*"), NameList{});
}

TEST_F(DirSearchTest, StarDotStarListsEverythingIncludingDotEntriesAndDirectories) {
  MakeFile("file", 5);
  fs::create_directory(root() / "Sub");
  host::DirSearch search;
  ASSERT_TRUE(search.Open(root().string(), "*.*"));
  std::vector<host::DirEntry> entries;
  host::DirEntry entry;
  while (search.Next(entry)) entries.push_back(entry);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, ".");
  EXPECT_EQ(entries[1].name, "..");
  EXPECT_EQ(entries[2].name, "file");
  EXPECT_FALSE(entries[2].isDirectory);
  EXPECT_EQ(entries[2].size, 5u);
  EXPECT_EQ(entries[2].path, (root() / "file").string());
  EXPECT_EQ(entries[3].name, "Sub");
  EXPECT_TRUE(entries[3].isDirectory);
}

TEST_F(DirSearchTest, BackslashesInTheDirectoryPartAreSeparators) {
  fs::create_directory(root() / "in");
  MakeFile("in/x.bin", 2);
  std::string dir = root().string() + "\\in\\";
  host::DirSearch search;
  ASSERT_TRUE(search.Open(dir, "X.BIN"));
  host::DirEntry entry;
  ASSERT_TRUE(search.Next(entry));
  EXPECT_EQ(entry.path, (root() / "in" / "x.bin").string());
  EXPECT_FALSE(search.Next(entry));
}

TEST_F(DirSearchTest, MissingDirectoryAndClosedSearchGiveNothing) {
  host::DirSearch search;
  EXPECT_FALSE(search.Open((root() / "absent").string(), "*"));
  host::DirEntry entry;
  EXPECT_FALSE(search.Next(entry));
  MakeFile("one");
  ASSERT_TRUE(search.Open(root().string(), "one"));
  search.Close();
  EXPECT_FALSE(search.Next(entry));
}

}  // namespace
