// quon-calc as a program, against a scripted server on a pseudo-terminal.

#include <gtest/gtest.h>

#include <memory>

#include "fake_server.h"
#include "tools/common/testing/child_process.h"
#include "tools/common/testing/test_files.h"
#include "tools/quon_calc/block_checks.h"
#include "tools/quon_calc/command_packet.h"

namespace calc::testing {
namespace {

using tools::testing::ChildProcess;

constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kCan = 0x18;
constexpr int kExitMs = 20000;

class CalcProtocolTest : public ::testing::Test {
 protected:
  void StartCalc(std::vector<std::string> args) {
    args.insert(args.begin(), QUON_CALC_PATH);
    tools::testing::SpawnOptions options;
    options.workDir = dir_.Path().string();
    options.stdoutPath = dir_ / "stdout";
    options.stderrPath = dir_ / "stderr";
    calc_ = std::make_unique<ChildProcess>(args, options);
  }
  int Finish() { return calc_->WaitFor(kExitMs).value_or(-1); }
  std::string Stdout() { return tools::testing::ReadFile(dir_ / "stdout"); }
  std::string Stderr() { return tools::testing::ReadFile(dir_ / "stderr"); }
  Bytes FileAt(const std::string& name) { return tools::testing::ReadFileBytes(dir_ / name); }

  // Reads the packet and checks it byte for byte.
  void ExpectPacket(uint8_t letter, const std::string& name) {
    Bytes want = BuildCommandPacket(letter, name, false);
    EXPECT_EQ(server_.Read(want.size()), want);
  }
  void SendAndExpect(const Bytes& block, int reply) {
    server_.Write(block);
    EXPECT_EQ(server_.ReadByte(), reply);
  }

  tools::testing::TempDir dir_;
  FakeServer server_;
  std::unique_ptr<ChildProcess> calc_;
};

TEST_F(CalcProtocolTest, GetWithZkCrcTakesLargeAndSmallBlocksHighByteFirst) {
  Bytes file = tools::testing::RandomBytes(1200, 11);
  tools::testing::WriteFileBytes(dir_ / "orvo1.obj", file);
  StartCalc({"get", server_.Device(), "orvo1.obj", "--expect", "orvo1.obj", "--out", "got.bin"});

  ExpectPacket('G', "orvo1.obj");
  server_.Write(kAck);
  EXPECT_EQ(server_.ReadByte(), 'D');
  std::span<const uint8_t> data(file);
  SendAndExpect(Block(1, data.first(1024), 1024, BlockCheck::ZkCrc), kAck);
  SendAndExpect(Block(2, data.subspan(1024, 128), 128, BlockCheck::ZkCrc), kAck);
  SendAndExpect(Block(3, data.subspan(1152), 128, BlockCheck::ZkCrc), kAck);
  SendAndExpect({kEot}, kAck);

  ASSERT_EQ(Finish(), 0) << Stderr();
  EXPECT_NE(Stdout().find("3 blocks (1 of 1024, 2 of 128) with ZK CRC, 1280 bytes"),
            std::string::npos)
      << Stdout();
  EXPECT_NE(Stdout().find("OK, equals orvo1.obj plus 80 fill bytes"), std::string::npos);
  Bytes padded = file;
  padded.resize(1280, 0x00);
  EXPECT_EQ(FileAt("got.bin"), padded);
}

TEST_F(CalcProtocolTest, GetAsksAgainForDamagedBlocksAndDropsDuplicates) {
  Bytes file = tools::testing::RandomBytes(256, 12);
  tools::testing::WriteFileBytes(dir_ / "f.bin", file);
  StartCalc({"get", server_.Device(), "f.bin", "--start", "C", "--expect", "f.bin"});

  ExpectPacket('G', "f.bin");
  server_.Write(kAck);
  EXPECT_EQ(server_.ReadByte(), 'C');
  std::span<const uint8_t> data(file);
  Bytes first = Block(1, data.first(128), 128, BlockCheck::Crc);
  Bytes damaged = first;
  damaged[50] ^= 0x10;
  // Until a block got through the sender may not have seen the start character: ask with it.
  SendAndExpect(damaged, 'C');
  SendAndExpect(first, kAck);
  SendAndExpect(first, kAck);  // our ACK "lost": the copy is acknowledged, not stored
  Bytes second = Block(2, data.subspan(128), 128, BlockCheck::Crc);
  Bytes badNumbers = second;
  badNumbers[2] = 0x00;
  SendAndExpect(badNumbers, kNak);
  SendAndExpect(second, kAck);
  SendAndExpect({kEot}, kAck);

  ASSERT_EQ(Finish(), 0) << Stderr();
  EXPECT_NE(Stdout().find("256 bytes"), std::string::npos) << Stdout();
  EXPECT_NE(Stdout().find("2 retries, 1 duplicate;"), std::string::npos) << Stdout();
}

TEST_F(CalcProtocolTest, ChecksCrcByteOrderAndChecksumMode) {
  Bytes file = tools::testing::RandomBytes(100, 13);
  std::span<const uint8_t> data(file);
  StartCalc({"get", server_.Device(), "z.bin", "--out", "z.out"});
  ExpectPacket('G', "z.bin");
  server_.Write(kAck);
  EXPECT_EQ(server_.ReadByte(), 'D');
  SendAndExpect(Block(1, data, 128, BlockCheck::ZkCrcLowByteFirst), 'D');
  SendAndExpect(Block(1, data, 128, BlockCheck::ZkCrc), kAck);
  SendAndExpect({kEot}, kAck);
  ASSERT_EQ(Finish(), 0) << Stderr();
  EXPECT_EQ(FileAt("z.out").size(), 128u);

  StartCalc({"receive", server_.Device(), "--start", "NAK"});
  EXPECT_EQ(server_.ReadByte(), kNak);
  SendAndExpect(Block(1, data, 128, BlockCheck::Crc), kNak);  // two check bytes: one too many
  SendAndExpect(Block(1, data, 1024, BlockCheck::Checksum), kAck);
  SendAndExpect({kEot}, kAck);
  ASSERT_EQ(Finish(), 0) << Stderr();
  EXPECT_NE(Stdout().find("1 block (1 of 1024, 0 of 128) with checksum"), std::string::npos);
}

TEST_F(CalcProtocolTest, CancelsWhenBlocksWouldBeLostOrRepeatWithoutEnd) {
  Bytes data(128, 0x5A);
  StartCalc({"receive", server_.Device(), "--start", "C"});
  EXPECT_EQ(server_.ReadByte(), 'C');
  SendAndExpect(Block(1, data, 128, BlockCheck::Crc), kAck);
  server_.Write(Block(3, data, 128, BlockCheck::Crc));
  EXPECT_EQ(server_.Read(2), (Bytes{kCan, kCan}));
  EXPECT_EQ(Finish(), 1);
  EXPECT_NE(Stderr().find("block number 03 arrived while 02 was expected"), std::string::npos)
      << Stderr();
  EXPECT_EQ(server_.ReadAllSent(), Bytes(3, kCan));

  StartCalc({"receive", server_.Device(), "--start", "C"});
  EXPECT_EQ(server_.ReadByte(), 'C');
  SendAndExpect(Block(1, data, 128, BlockCheck::Crc), kAck);
  for (int i = 0; i < 9; ++i) SendAndExpect(Block(1, data, 128, BlockCheck::Crc), kAck);
  server_.Write(Block(1, data, 128, BlockCheck::Crc));
  EXPECT_EQ(server_.Read(3), (Bytes{kAck, kCan, kCan}));
  EXPECT_EQ(Finish(), 1);
  EXPECT_NE(Stderr().find("the sender repeats its blocks"), std::string::npos) << Stderr();
}

TEST_F(CalcProtocolTest, StopsPromptlyWhenTheSenderCancelsOrTheLineGoes) {
  StartCalc({"receive", server_.Device()});
  EXPECT_EQ(server_.ReadByte(), 'D');
  server_.Write(Bytes{kCan, kCan});
  EXPECT_EQ(Finish(), 1);
  EXPECT_EQ(Stderr(), "quon-calc: receive: the sender cancelled the transfer\n");

  StartCalc({"receive", server_.Device(), "--start", "C"});
  EXPECT_EQ(server_.ReadByte(), 'C');
  server_.Write(Bytes{0x01, 0x01, 0xFE, 0x00});  // a block that breaks off
  server_.Close();
  EXPECT_EQ(Finish(), 1);
  EXPECT_NE(Stderr().find("quon-calc: receive: "), std::string::npos);
}

TEST_F(CalcProtocolTest, ReceiveIgnoresLeftoversOfAnEarlierTransfer) {
  server_.Write(Bytes(8, kCan));
  ASSERT_TRUE(server_.WaitUntilLineHolds(8));
  StartCalc({"receive", server_.Device(), "--start", "C"});
  EXPECT_EQ(server_.ReadByte(), 'C');
  SendAndExpect(Block(1, Bytes(128, 1), 128, BlockCheck::Crc), kAck);
  SendAndExpect({kEot}, kAck);
  EXPECT_EQ(Finish(), 0) << Stderr();
}

TEST_F(CalcProtocolTest, RequestAnswers) {
  struct Case {
    std::vector<std::string> options;
    int answer;  // -1: none
    int status;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"--expect-nak"}, kNak, 0, "refused with NAK, as expected"},
           {{}, kNak, 1, "the server refused the request with NAK"},
           {{"--expect-nak"}, kAck, 1, "the server accepted the request with ACK, not NAK"},
           {{"--timeout", "0.3"}, -1, 1, "no ACK or NAK within 1 s"},
           {{"--timeout", "0.3"}, 0x02, 1, "unexpected STX instead of ACK or NAK"},
           {{"--bad-checksum", "--timeout", "0.3"}, -1, 0, "no answer within 0.3 s"},
           {{"--bad-checksum", "--timeout", "2"}, kNak, 1, "with a wrong checksum with NAK"},
       }) {
    std::vector<std::string> args{"get", server_.Device(), "abc"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    StartCalc(args);
    Bytes packet = BuildCommandPacket('G', "abc", false);
    if (!c.options.empty() && c.options[0] == "--bad-checksum") ++packet.back();
    EXPECT_EQ(server_.Read(packet.size()), packet);
    if (c.answer >= 0) server_.Write(static_cast<uint8_t>(c.answer));
    EXPECT_EQ(Finish(), c.status) << c.message;
    std::string said = c.status == 0 ? Stdout() : Stderr();
    EXPECT_NE(said.find(c.message), std::string::npos) << said;
    if (c.answer == kAck) server_.ReadAllSent();  // the start character that followed
  }
}

TEST_F(CalcProtocolTest, PutSendsChecksumBlocksUntilAcknowledged) {
  Bytes file = tools::testing::RandomBytes(200, 14);
  tools::testing::WriteFileBytes(dir_ / "local.bin", file);
  StartCalc({"put", server_.Device(), "CALC.BIN", "local.bin"});

  ExpectPacket('P', "CALC.BIN");
  server_.Write(kAck);
  server_.Write(kNak);
  std::span<const uint8_t> data(file);
  Bytes first = Block(1, data.first(128), 128, BlockCheck::Checksum);
  Bytes second = Block(2, data.subspan(128), 128, BlockCheck::Checksum);
  EXPECT_EQ(server_.Read(first.size()), first);
  server_.Write(kNak);
  EXPECT_EQ(server_.Read(first.size()), first);
  server_.Write(kAck);
  EXPECT_EQ(server_.Read(second.size()), second);
  server_.Write(kAck);
  EXPECT_EQ(server_.ReadByte(), kEot);
  server_.Write(kNak);
  EXPECT_EQ(server_.ReadByte(), kEot);
  server_.Write(kAck);

  ASSERT_EQ(Finish(), 0) << Stderr();
  EXPECT_NE(Stdout().find("ACK; 2 blocks of 128 with checksum, 200 bytes"), std::string::npos)
      << Stdout();
  EXPECT_NE(Stdout().find("2 retries"), std::string::npos);
}

TEST_F(CalcProtocolTest, PutRefusesACrcOnlyReceiverAndAnEmptyFileIsJustEot) {
  tools::testing::WriteFileBytes(dir_ / "local.bin", Bytes{1, 2, 3});
  StartCalc({"send", server_.Device(), "local.bin", "--timeout", "0.5"});
  server_.Write(Bytes{'C'});
  EXPECT_EQ(Finish(), 1);
  EXPECT_NE(Stderr().find("no NAK from the receiver within 1 s (it asked for CRC with 'C'"),
            std::string::npos)
      << Stderr();

  tools::testing::WriteFileBytes(dir_ / "empty.bin", Bytes{});
  StartCalc({"send", server_.Device(), "empty.bin"});
  server_.Write(kNak);
  EXPECT_EQ(server_.ReadByte(), kEot);
  server_.Write(kAck);
  EXPECT_EQ(Finish(), 0) << Stderr();
}

TEST_F(CalcProtocolTest, DownloadModeSequence) {
  StartCalc({"download-mode", server_.Device()});
  server_.Write(Bytes{0x02, 0xB8, 0x03, 0x00});
  EXPECT_EQ(Finish(), 0);
  EXPECT_EQ(Stdout(), "quon-calc: download-mode: received 02 B8 03 00\n");

  StartCalc({"download-mode", server_.Device()});
  server_.Write(Bytes{0x02, 0xB8, 0xFF});
  EXPECT_EQ(Finish(), 1);
  EXPECT_EQ(Stderr(), "quon-calc: download-mode: expected 02 B8 03 00, got 02 B8 FF\n");

  StartCalc({"download-mode", server_.Device(), "--timeout", "0.2"});
  EXPECT_EQ(Finish(), 1);
  EXPECT_EQ(Stderr(), "quon-calc: download-mode: no download-mode bytes within 1 s\n");
}

TEST_F(CalcProtocolTest, UsageAndFileErrorsLeaveTheLineAlone) {
  StartCalc({"get", server_.Device()});
  EXPECT_EQ(Finish(), 2);
  EXPECT_NE(Stderr().find("usage: quon-calc"), std::string::npos);

  StartCalc({"put", server_.Device(), "NAME", "missing.bin"});
  EXPECT_EQ(Finish(), 1);
  EXPECT_EQ(Stderr(), "quon-calc: put NAME: cannot open missing.bin\n");

  StartCalc({"get", server_.Device(), "NAME", "--out", "no/such/dir/x"});
  EXPECT_EQ(Finish(), 1);
  EXPECT_EQ(Stderr(), "quon-calc: get NAME: cannot create no/such/dir/x\n");

  StartCalc({"get", dir_ / "no-device", "NAME"});
  EXPECT_EQ(Finish(), 1);
  EXPECT_NE(Stderr().find("cannot open"), std::string::npos);

  EXPECT_TRUE(server_.ReadAllSent().empty());
}

}  // namespace
}  // namespace calc::testing
