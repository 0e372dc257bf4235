#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/quon_calc/block_checks.h"
#include "tools/quon_calc/command_packet.h"
#include "tools/quon_calc/fill_compare.h"
#include "tools/quon_calc/invocation.h"

namespace calc {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Digits() { return Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'}; }

TEST(BlockChecks, KnownValues) {
  EXPECT_EQ(CrcZk(Digits()), 0x2189);
  EXPECT_EQ(CrcXmodem(Digits()), 0x31C3);
  EXPECT_EQ(Checksum8(Digits()), 0xDD);

  Bytes zeros(128, 0x00);
  EXPECT_EQ(CrcZk(zeros), 0);
  EXPECT_EQ(CrcXmodem(zeros), 0);
  EXPECT_EQ(Checksum8(zeros), 0);
  EXPECT_EQ(CrcZk({}), 0);
  EXPECT_EQ(CrcXmodem({}), 0);

  EXPECT_EQ(Checksum8(Bytes(256, 0x01)), 0x00);
  EXPECT_EQ(Checksum8(Bytes(255, 0x01)), 0xFF);
}

TEST(CommandPacket, LayoutAndChecksum) {
  EXPECT_EQ(BuildCommandPacket(kGetLetter, "orvo1.obj", false),
            (Bytes{0x47, 0x00, 0x09, 0x6F, 0x72, 0x76, 0x6F, 0x31, 0x2E, 0x6F, 0x62, 0x6A, 0x60}));
  Bytes broken = BuildCommandPacket(kGetLetter, "orvo1.obj", true);
  EXPECT_EQ(broken.back(), 0x61);

  EXPECT_EQ(BuildCommandPacket(kPutLetter, "", false), (Bytes{0x50, 0x00, 0x00, 0x00}));

  // Size high byte first; the sum wraps and leaves the letter and size out.
  std::string longName(300, '\xFF');
  Bytes packet = BuildCommandPacket(kPutLetter, longName, false);
  ASSERT_EQ(packet.size(), 304u);
  EXPECT_EQ(packet[1], 0x01);
  EXPECT_EQ(packet[2], 0x2C);
  EXPECT_EQ(packet.back(), static_cast<uint8_t>(300 * 0xFF));
}

TEST(CompareWithFill, AcceptsOnlyTheFileAndItsFill) {
  Bytes file{1, 2, 3};
  Bytes padded{1, 2, 3, 0, 0};
  EXPECT_EQ(CompareWithFill(padded, file, 0x00, 128), "");
  EXPECT_EQ(CompareWithFill(file, file, 0x00, 128), "");
  EXPECT_EQ(CompareWithFill({}, {}, 0x00, 0), "");

  EXPECT_EQ(CompareWithFill(Bytes{1, 9, 3, 0}, file, 0x00, 128),
            "byte 1 differs: got 0x09, the file has 0x02 (1 of 3 bytes differ)");
  EXPECT_EQ(CompareWithFill(Bytes{1, 2}, file, 0x00, 128), "got only 2 of the file's 3 bytes");
  EXPECT_EQ(CompareWithFill(Bytes{1, 2, 3, 0, 0x1A}, file, 0x00, 128),
            "byte 4, after the file's end, is 0x1A, not the fill 0x00");
  EXPECT_EQ(CompareWithFill(Bytes{1, 2, 3, 0x1A}, file, 0x1A, 128), "");

  // A file that filled its last block exactly must not come with a block of fill after it.
  Bytes whole(128, 7);
  Bytes extra = whole;
  extra.resize(256, 0);
  EXPECT_EQ(CompareWithFill(extra, whole, 0x00, 128),
            "128 fill bytes after the file's end: a whole block too many (last block 128)");
}

std::optional<Invocation> Parse(std::vector<std::string> words, std::string& error) {
  std::vector<char*> argv;
  argv.reserve(words.size());
  for (std::string& w : words) argv.push_back(w.data());
  return ParseInvocation(argv, error);
}

TEST(Invocation, ReadsOptionsAnywhereAndRefusesWhatDoesNotApply) {
  std::string error;
  auto get = Parse({"--verbose", "get", "/dev/x", "a.bin", "--start", "NAK", "--fill=1a",
                    "--timeout", "0.5", "--expect", "a.bin"},
                   error);
  ASSERT_TRUE(get) << error;
  EXPECT_EQ(get->command, Command::Get);
  EXPECT_EQ(get->device, "/dev/x");
  EXPECT_EQ(get->name, "a.bin");
  EXPECT_EQ(get->start, StartChar::Checksum);
  EXPECT_EQ(get->fill, 0x1A);
  EXPECT_EQ(get->timeoutMs, 500);
  EXPECT_TRUE(get->verbose);

  auto put = Parse({"put", "/dev/x", "NAME", "local.bin", "--baud", "15360"}, error);
  ASSERT_TRUE(put) << error;
  EXPECT_EQ(put->name, "NAME");
  EXPECT_EQ(put->file, "local.bin");
  EXPECT_EQ(put->start, StartChar::ZkCrc);
  EXPECT_FALSE(put->timeoutMs);
  EXPECT_EQ(put->baud, 15360);

  for (const auto& [words, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{}, "no command given"},
           {{"fetch", "/dev/x"}, "unknown command 'fetch'"},
           {{"get", "/dev/x"}, "get takes 2 arguments, not 1"},
           {{"put", "/dev/x", "N", "f", "--start", "C"}, "--start does not apply to put"},
           {{"get", "/dev/x", "N", "--start", "X"}, "--start takes D, C or NAK, not 'X'"},
           {{"get", "/dev/x", "N", "--bad-checksum", "--expect-nak"},
            "--bad-checksum and --expect-nak exclude each other"},
           {{"get", "/dev/x", "N", "--timeout", "-1"},
            "--timeout takes seconds between 0 and 3600, not '-1'"},
           {{"get", "/dev/x", "N", "--fill", "100"}, "--fill takes a hexadecimal byte, not '100'"},
           {{"get", "/dev/x", "N", "--expect"}, "--expect needs a value"},
           {{"get", "/dev/x", "N", "--expect-nak=yes"}, "--expect-nak takes no value"},
           {{"get", "/dev/x", "N", "--colour", "red"}, "unknown option --colour"},
       }) {
    EXPECT_FALSE(Parse(words, error));
    EXPECT_EQ(error, message);
  }
  EXPECT_FALSE(Parse({"get", "/dev/x", std::string(65536, 'n')}, error));
  EXPECT_FALSE(Parse({"--help"}, error));
  EXPECT_EQ(error, "");
}

}  // namespace
}  // namespace calc
