#include "host/profile.h"

#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "host/tests/scratch_dir.h"
#include "host/tests/unprivileged.h"

namespace {

namespace fs = std::filesystem;
using host::testing::ReadFile;
using host::testing::ScratchDir;
using host::testing::WriteFile;

TEST(Profile, MissingFileReadsDefaults) {
  ScratchDir dir;
  EXPECT_EQ(host::ReadProfileString("serial", "port", "COMM 1", 4095, "quon.ini"), "COMM 1");
  EXPECT_EQ(host::ReadProfileInt("serial", "baud", -1, "quon.ini"), -1);
  EXPECT_FALSE(fs::exists("quon.ini"));
}

TEST(Profile, StringsAreCutToTheCallersLength) {
  ScratchDir dir;
  WriteFile("p.ini", "[s]\nk=abcdef\n");
  EXPECT_EQ(host::ReadProfileString("s", "k", "", 4, "p.ini"), "abcd");
  EXPECT_EQ(host::ReadProfileString("s", "absent", "default", 3, "p.ini"), "def");
}

TEST(Profile, IntegersAreTheLeadingSignedDecimal) {
  ScratchDir dir;
  WriteFile("p.ini",
            "[s]\n"
            "plain=9600\n"
            "negative=-1\n"
            "plus=+15\n"
            "trailing=300 baud\n"
            "text=fast\n"
            "empty=\n"
            "quoted=\"42\"\n"
            "wrapped=4294967295\n");
  EXPECT_EQ(host::ReadProfileInt("s", "plain", 7, "p.ini"), 9600);
  EXPECT_EQ(host::ReadProfileInt("s", "negative", 7, "p.ini"), -1);
  EXPECT_EQ(host::ReadProfileInt("s", "plus", 7, "p.ini"), 15);
  EXPECT_EQ(host::ReadProfileInt("s", "trailing", 7, "p.ini"), 300);
  EXPECT_EQ(host::ReadProfileInt("s", "text", 7, "p.ini"), 0);
  EXPECT_EQ(host::ReadProfileInt("s", "empty", 7, "p.ini"), 7);
  EXPECT_EQ(host::ReadProfileInt("s", "absent", 7, "p.ini"), 7);
  EXPECT_EQ(host::ReadProfileInt("s", "quoted", 7, "p.ini"), 42);
  EXPECT_EQ(host::ReadProfileInt("s", "wrapped", 7, "p.ini"), -1);
}

TEST(Profile, WritesCreateTheFileAndLeaveNoTemporaries) {
  ScratchDir dir;
  ASSERT_TRUE(host::WriteProfileValue("serial", "baud", "9600", "quon.ini"));
  ASSERT_TRUE(host::WriteProfileValue("serial", "port", "COMM 1", "quon.ini"));
  EXPECT_EQ(ReadFile("quon.ini"), "[serial]\nbaud=9600\nport=COMM 1\n");
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
  EXPECT_EQ(fs::status("quon.ini").permissions() & fs::perms::owner_write, fs::perms::owner_write);
}

TEST(Profile, ReadOnlyFileKeepsItsText) {
  ScratchDir dir;
  WriteFile("quon.ini", "[serial]\nbaud=300\n");
  fs::permissions("quon.ini", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_FALSE(host::WriteProfileValue("serial", "baud", "9600", "quon.ini"));
  EXPECT_EQ(ReadFile("quon.ini"), "[serial]\nbaud=300\n");
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST(Profile, MissingDirectoryIsAFailedWrite) {
  ScratchDir dir;
  EXPECT_FALSE(host::WriteProfileValue("serial", "baud", "9600", "nosuchdir/quon.ini"));
  EXPECT_FALSE(host::WriteProfileValue("serial", "baud", "1\n[x]", "quon.ini"));
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 0);
}

TEST(Profile, RewritesKeepThePermissionsAndSkipUnchangedText) {
  ScratchDir dir;
  WriteFile("quon.ini", "[serial]\nbaud=300\n");
  fs::permissions("quon.ini", fs::perms(0640));
  ASSERT_TRUE(host::WriteProfileValue("serial", "baud", "1200", "quon.ini"));
  EXPECT_EQ(fs::status("quon.ini").permissions(), fs::perms(0640));

  struct stat before {};
  struct stat after {};
  ASSERT_EQ(stat("quon.ini", &before), 0);
  ASSERT_TRUE(host::WriteProfileValue("SERIAL", "Baud", "1200", "quon.ini"));
  ASSERT_EQ(stat("quon.ini", &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(Profile, WritesThroughASymbolicLink) {
  ScratchDir dir;
  fs::create_directory("real");
  WriteFile("real/quon.ini", "[serial]\nbaud=300\n");
  fs::create_symlink("real/quon.ini", "quon.ini");
  ASSERT_TRUE(host::WriteProfileValue("serial", "baud", "1200", "quon.ini"));
  EXPECT_TRUE(fs::is_symlink("quon.ini"));
  EXPECT_EQ(ReadFile("real/quon.ini"), "[serial]\nbaud=1200\n");
}

TEST(Profile, WritableFileInAFolderThatTakesNoNewFileIsUpdatedInPlace) {
  ScratchDir dir;
  WriteFile("quon.ini", "[serial]\nbaud=300\n");
  fs::permissions("quon.ini", fs::perms(0666));
  fs::permissions(".", fs::perms(0555));
  EXPECT_EQ(host::testing::RunUnprivileged([] {
              return host::WriteProfileValue("serial", "baud", "1200", "quon.ini") ? 0 : 1;
            }),
            0);
  EXPECT_EQ(ReadFile("quon.ini"), "[serial]\nbaud=1200\n");
  EXPECT_EQ(fs::status("quon.ini").permissions(), fs::perms(0666));
}

}  // namespace
