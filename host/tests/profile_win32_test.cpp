// The platform's private-profile functions behind our profile interface, checked for what the
// settings file relies on.
#include <windows.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "host/current_directory.h"
#include "host/profile.h"
#include "host/tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using host::testing::ScratchDir;
using host::testing::WriteFile;

// A full path, as the settings use: a bare name would send the platform to its own folder.
std::string Here(const char* name) { return host::CurrentDirectory() + "\\" + name; }

TEST(WindowsProfile, MissingFileReadsDefaultsAndCreatesNothing) {
  ScratchDir dir;
  EXPECT_EQ(host::ReadProfileString("serial", "port", "COMM 1", 4095, Here("quon.ini")), "COMM 1");
  EXPECT_EQ(host::ReadProfileInt("serial", "baud", -1, Here("quon.ini")), -1);
  EXPECT_FALSE(fs::exists("quon.ini"));
}

TEST(WindowsProfile, ValuesAreTrimmedUnquotedCutAndFoundWithoutRegardToCase) {
  ScratchDir dir;
  WriteFile("p.ini", "[Serial]\r\nPort = COMM 2 \r\nname=\"quoted\"\r\nlong=abcdef\r\n");
  EXPECT_EQ(host::ReadProfileString("serial", "port", "", 4095, Here("p.ini")), "COMM 2");
  EXPECT_EQ(host::ReadProfileString("SERIAL", "name", "", 4095, Here("p.ini")), "quoted");
  EXPECT_EQ(host::ReadProfileString("serial", "long", "", 4, Here("p.ini")), "abcd");
  EXPECT_EQ(host::ReadProfileString("serial", "absent", "", 4095, Here("p.ini")), "");
}

TEST(WindowsProfile, IntegersAreTheLeadingSignedDecimal) {
  ScratchDir dir;
  WriteFile("p.ini",
            "[s]\r\nplain=9600\r\nnegative=-1\r\ntrailing=300 baud\r\ntext=fast\r\nempty=\r\n");
  EXPECT_EQ(host::ReadProfileInt("s", "plain", 7, Here("p.ini")), 9600);
  EXPECT_EQ(host::ReadProfileInt("s", "negative", 7, Here("p.ini")), -1);
  EXPECT_EQ(host::ReadProfileInt("s", "trailing", 7, Here("p.ini")), 300);
  EXPECT_EQ(host::ReadProfileInt("s", "text", 7, Here("p.ini")), 0);
  EXPECT_EQ(host::ReadProfileInt("s", "empty", 7, Here("p.ini")), 7);
  EXPECT_EQ(host::ReadProfileInt("s", "absent", 7, Here("p.ini")), 7);
}

TEST(WindowsProfile, WritesReplaceInPlaceAndAppendKeysAndSections) {
  ScratchDir dir;
  std::string path = Here("quon.ini");
  ASSERT_TRUE(host::WriteProfileValue("serial", "baud", "9600", path));
  ASSERT_TRUE(host::WriteProfileValue("serial", "port", "COMM 1", path));
  ASSERT_TRUE(host::WriteProfileValue("misc", "conversion", "0", path));
  ASSERT_TRUE(host::WriteProfileValue("SERIAL", "BAUD", "1200", path));
  ASSERT_TRUE(host::WriteProfileValue("serial", "stopbits", "1", path));
  EXPECT_EQ(host::testing::ReadTextFile("quon.ini"),
            "[serial]\nbaud=1200\nport=COMM 1\nstopbits=1\n[misc]\nconversion=0\n");
}

TEST(WindowsProfile, FailedWritesAreReportedAndChangeNothing) {
  ScratchDir dir;
  EXPECT_FALSE(host::WriteProfileValue("serial", "baud", "9600", Here("nosuchdir\\quon.ini")));
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(WindowsProfile, ReadOnlyFileKeepsItsText) {
  ScratchDir dir;
  WriteFile("quon.ini", "[serial]\r\nbaud=300\r\n");
  ASSERT_TRUE(SetFileAttributesA("quon.ini", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(host::WriteProfileValue("serial", "baud", "9600", Here("quon.ini")));
  EXPECT_EQ(host::testing::ReadTextFile("quon.ini"), "[serial]\nbaud=300\n");
  SetFileAttributesA("quon.ini", FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsProfile, CurrentDirectoryIsTheFullPathWithBackslashes) {
  ScratchDir dir;
  ASSERT_TRUE(fs::create_directory("sub dir"));
  ASSERT_TRUE(SetCurrentDirectoryA("sub dir"));
  std::string current = host::CurrentDirectory();
  EXPECT_EQ(current, (dir.path() / "sub dir").string());
  EXPECT_EQ(current.find('/'), std::string::npos);
  EXPECT_EQ(current.substr(1, 2), ":\\");
}

// At a drive's root the settings path comes out as "C:\\quon.ini"; the system still finds the file
// at the root.
TEST(WindowsProfile, DoubledSeparatorAtTheRootReachesTheRootFile) {
  fs::path previous = fs::current_path();
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  std::string doubled = host::CurrentDirectory() + "\\quon-test.ini";
  EXPECT_EQ(doubled, "C:\\\\quon-test.ini");
  EXPECT_TRUE(host::WriteProfileValue("serial", "port", "COMM 2", doubled));
  EXPECT_EQ(host::ReadProfileString("serial", "port", "", 4095, "C:\\quon-test.ini"), "COMM 2");
  DeleteFileA("C:\\quon-test.ini");
  fs::current_path(previous);
}

}  // namespace
