#include "app/rom_package.h"

#include <cstdint>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "host/tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using host::testing::ReadFile;
using host::testing::ScratchDir;
using host::testing::WriteFile;

std::string LittleEndian32(uint32_t n) {
  return {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
          static_cast<char>(n >> 24)};
}

std::string Member(const std::string& name, const std::string& data) {
  return static_cast<char>(name.size()) + name +
         LittleEndian32(static_cast<uint32_t>(data.size())) + data;
}

std::string Package(uint8_t count, const std::string& members = "") {
  return "ZKROM" + std::string(1, static_cast<char>(count)) + members;
}

// Unpacks from a folder beside the output folder, so the package never shows among the files.
class RomPackage : public ::testing::Test {
 protected:
  RomPackage() {
    fs::create_directory("out");
    fs::current_path("out");
  }
  bool Unpack(const std::string& bytes) {
    WriteFile(scratch_.path() / "package.rom", bytes);
    return UnpackRomPackage((scratch_.path() / "package.rom").string());
  }
  static std::set<std::string> Written() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(".")) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  ScratchDir scratch_;
};

TEST_F(RomPackage, WritesEveryMemberInOrder) {
  std::string binary("\x00\xff\r\n\x1a", 5);
  EXPECT_TRUE(Unpack(Package(4, Member("orvo1.obj", binary) + Member("empty.bin", "") +
                                    Member("same.txt", "first") + Member("same.txt", "second"))));
  EXPECT_EQ(Written(), (std::set<std::string>{"orvo1.obj", "empty.bin", "same.txt"}));
  EXPECT_EQ(ReadFile("orvo1.obj"), binary);
  EXPECT_EQ(ReadFile("empty.bin"), "");
  EXPECT_EQ(ReadFile("same.txt"), "second");
}

TEST_F(RomPackage, ExistingFileIsReplacedWhole) {
  WriteFile("a.bin", "a much longer old content");
  EXPECT_TRUE(Unpack(Package(1, Member("a.bin", "new"))));
  EXPECT_EQ(ReadFile("a.bin"), "new");
}

TEST_F(RomPackage, SizeAndMagic) {
  EXPECT_FALSE(UnpackRomPackage("no-such-package.rom"));
  EXPECT_FALSE(UnpackRomPackage("."));
  EXPECT_FALSE(Unpack(""));
  EXPECT_FALSE(Unpack(Package(0)));  // six bytes are too few even with nothing to write
  EXPECT_TRUE(Unpack(Package(0, "x")));
  EXPECT_TRUE(Unpack(Package(0, Member("ignored", "data") + std::string(1000, 'z'))));
  EXPECT_FALSE(Unpack("ZKRON" + std::string(1, '\1') + Member("a", "b")));
  EXPECT_FALSE(Unpack("zkrom" + std::string(1, '\1') + Member("a", "b")));
  EXPECT_EQ(Written(), std::set<std::string>{});
}

TEST_F(RomPackage, CountLargerThanTheMembersPresent) {
  EXPECT_FALSE(Unpack(Package(3, Member("one", "1") + Member("two", "22"))));
  EXPECT_EQ(Written(), (std::set<std::string>{"one", "two"}));
}

TEST_F(RomPackage, ExtraBytesAfterTheLastCountedMemberAreIgnored) {
  EXPECT_TRUE(Unpack(Package(1, Member("one", "1") + Member("two", "22") + "junk")));
  EXPECT_EQ(Written(), std::set<std::string>{"one"});
}

TEST_F(RomPackage, TruncatedMembersFailBeforeTheirFileExists) {
  std::string complete = Member("one", "1");
  EXPECT_FALSE(Unpack(Package(2, complete + Member("two", "2222").substr(0, 8))));
  EXPECT_EQ(Written(), std::set<std::string>{"one"});

  // Name and length field must fit: a name length running off the end.
  EXPECT_FALSE(Unpack(Package(2, complete + std::string(1, '\x10') + "short")));
  // Data length 0xFFFFFFFF must not wrap past the check.
  EXPECT_FALSE(Unpack(Package(2, complete + "\x03two" + LittleEndian32(0xFFFFFFFFu) + "2")));
  EXPECT_EQ(Written(), std::set<std::string>{"one"});
}

TEST_F(RomPackage, MemberWithoutANameCannotBeCreated) {
  EXPECT_FALSE(Unpack(Package(2, Member("", "data") + Member("after", "x"))));
  EXPECT_EQ(Written(), std::set<std::string>{});
}

TEST_F(RomPackage, NameEndsAtANul) {
  EXPECT_TRUE(Unpack(Package(1, Member(std::string("ab\0cd", 5), "x"))));
  EXPECT_EQ(Written(), std::set<std::string>{"ab"});
}

TEST_F(RomPackage, RelativeNamesIntoExistingFoldersWork) {
  fs::create_directory("sub");
  EXPECT_TRUE(Unpack(Package(2, Member("sub/a.bin", "a") + Member("./sub/./b.bin", "b"))));
  EXPECT_EQ(ReadFile("sub/a.bin"), "a");
  EXPECT_EQ(ReadFile("sub/b.bin"), "b");
  EXPECT_FALSE(Unpack(Package(1, Member("missing/a.bin", "a"))));
  EXPECT_FALSE(fs::exists("missing"));
}

TEST_F(RomPackage, NamesThatLeaveTheCurrentDirectoryAreRefused) {
  fs::create_directory("sub");
  const std::string escapes[] = {
      "../escaped",  "sub/../../escaped",
      "..\\escaped", "sub/..",
      "..",          (scratch_.path() / "escaped").string(),
      "\\escaped",   "C:escaped",
#ifdef _WIN32
      "NUL",         "sub/com1.txt",
#endif
  };
  for (const std::string& name : escapes) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(
        Unpack(Package(2, Member("before", "b") + Member(name, "x") + Member("after", "a"))));
    EXPECT_FALSE(fs::exists(scratch_.path() / "escaped"));
    EXPECT_EQ(Written(), (std::set<std::string>{"before", "sub"}));
  }
  EXPECT_TRUE(Unpack(Package(1, Member("..hidden", "dots inside a name are fine"))));
  EXPECT_TRUE(fs::exists("..hidden"));
}

TEST_F(RomPackage, MemberThatCannotBeWrittenStopsTheUnpacking) {
  fs::create_directory("taken");
  EXPECT_FALSE(Unpack(Package(2, Member("taken", "x") + Member("after", "a"))));
  EXPECT_FALSE(fs::exists("after"));
}

}  // namespace
