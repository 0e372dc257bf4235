#include "xfer/file_list.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>

#include "temp_dir.h"

namespace {

using xfer_test::TempDir;
using xfer_test::WriteFileBytes;

struct ListDeleter {
  void operator()(FileSpecList* list) const { list->ops->Destroy(list); }
};
using ListPtr = std::unique_ptr<FileSpecList, ListDeleter>;

ListPtr MakeList(const char* names) { return ListPtr(xfer::CreateFileSpecList(names)); }

// The path the list gives for a file found as path: on Windows lower-cased, which names the same
// file there; elsewhere the name exactly as the directory holds it (a lower-cased copy would not
// open on a file system that heeds case).
std::string AsFound(std::string path) {
#ifdef _WIN32
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
  return path;
}

class FileSpecListTest : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(FileSpecListTest, SplitsDirectoryPartAndPatternAtEitherSlash) {
  std::filesystem::create_directories("sub/deeper");
  WriteFileBytes("sub/deeper/One.Bin", std::vector<uint8_t>(300, 7));
  for (const char* names : {"sub\\deeper\\ONE.BIN", "sub/deeper/one.bin", "sub/deeper\\o?e.*"}) {
    auto list = MakeList(names);
    ASSERT_TRUE(list->ops->NextFile(list.get())) << names;
    EXPECT_EQ(list->itemPattern, std::string(names).substr(11)) << names;
    EXPECT_EQ(list->itemPrefix, std::string(names).substr(0, 11)) << names;
#ifdef _WIN32
    EXPECT_EQ(list->currentPath, AsFound(std::string(names).substr(0, 11) + "One.Bin"));
#else
    EXPECT_EQ(list->currentPath, "sub/deeper/One.Bin");
#endif
    EXPECT_EQ(list->size, 300);
  }
}

TEST_F(FileSpecListTest, DriveLetterPrefixIsSplitAtTheLastBackslash) {
  auto list = MakeList("A:\\DIR\\ONE.BIN");
  EXPECT_FALSE(list->ops->NextFile(list.get()));
  EXPECT_EQ(list->itemPrefix, "A:\\DIR\\");
  EXPECT_EQ(list->itemPattern, "ONE.BIN");

  auto colonOnly = MakeList("B:TWO.BIN");
  EXPECT_FALSE(colonOnly->ops->NextFile(colonOnly.get()));
  EXPECT_EQ(colonOnly->itemPrefix, "B:");
  EXPECT_EQ(colonOnly->itemPattern, "TWO.BIN");
}

TEST_F(FileSpecListTest, SkipsItemsWithoutMatchesAndEmptyItems) {
  WriteFileBytes("found.bin", {1, 2, 3});
  auto list = MakeList(";,missing.bin;;found.bin,other.bin");
  ASSERT_TRUE(list->ops->NextFile(list.get()));
  EXPECT_EQ(list->currentPath, "found.bin");
  EXPECT_EQ(list->size, 3);
  EXPECT_FALSE(list->ops->NextFile(list.get()));
}

TEST_F(FileSpecListTest, PatternYieldsMatchesInFoldedNameOrderAndNeverDirectories) {
  std::filesystem::create_directory("a_dir.bin");
  WriteFileBytes("b.BIN", {});
  WriteFileBytes("C.bin", {1});
  WriteFileBytes("d.txt", {2});
  auto list = MakeList("*.bin");
  ASSERT_TRUE(list->ops->NextFile(list.get()));
  EXPECT_EQ(list->currentPath, AsFound("b.BIN"));
  EXPECT_EQ(list->size, 0);
  ASSERT_TRUE(list->ops->NextFile(list.get()));
  EXPECT_EQ(list->currentPath, AsFound("C.bin"));
  EXPECT_FALSE(list->ops->NextFile(list.get()));
}

TEST_F(FileSpecListTest, OnlyDirectoriesOrNothingYieldNoFile) {
  std::filesystem::create_directory("only");
  for (const char* names : {"only", "*", "", ",;", "nosuchdir/x.bin"}) {
    auto list = MakeList(names);
    EXPECT_FALSE(list->ops->NextFile(list.get())) << names;
  }
}

TEST_F(FileSpecListTest, LongItemsAreSearchedWhole) {
#ifdef _WIN32
  GTEST_SKIP() << "the platform's paths end at 260 characters";
#endif
  const std::string dirName(200, 'd'), name(100, 'n');
  WriteFileBytes(name.substr(0, 44),
                 {9});  // what a cut-off remainder of the item could wrongly match
  std::filesystem::create_directory(dirName);
  WriteFileBytes(dirName + "/" + name, {1, 2});
  const std::string names = dirName + "/" + name;
  auto list = MakeList(names.c_str());
  ASSERT_TRUE(list->ops->NextFile(list.get()));
  EXPECT_EQ(list->currentPath, names);
  EXPECT_FALSE(list->ops->NextFile(list.get()));
}

#ifdef _WIN32
TEST_F(FileSpecListTest, FullPathInCapitalsIsOpenedInLowerCase) {
  std::filesystem::create_directory("DIR");
  WriteFileBytes("DIR/ONE.BIN", {4, 5});
  std::string names = dir.path().string() + "\\DIR\\ONE.BIN";
  for (char& c : names) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto list = MakeList(names.c_str());
  ASSERT_TRUE(list->ops->NextFile(list.get()));
  EXPECT_EQ(list->currentPath, AsFound(names));
  EXPECT_EQ(list->currentPath.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
  EXPECT_EQ(xfer_test::ReadFileBytes(list->currentPath), (std::vector<uint8_t>{4, 5}));
}
#endif

}  // namespace
