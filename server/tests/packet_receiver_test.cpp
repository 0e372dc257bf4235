#include "server/packet_receiver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/memory_line.h"
#include "server/log_lines.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The 13 bytes of a get request for "orvo1.obj".
const Bytes kGetOrvo1 = {0x47, 0x00, 0x09, 0x6F, 0x72, 0x76, 0x6F,
                         0x31, 0x2E, 0x6F, 0x62, 0x6A, 0x60};

class PacketReceiverTest : public ::testing::Test {
 protected:
  PacketReceiverTest() : receiver([this](const std::string& line) { log.push_back(line); }) {
    port = line.OpenPort(serial::kEndA);
    receiver.lastActivity = now;
  }
  ~PacketReceiverTest() override { port->ops.ClosePort(port); }

  void Send(const Bytes& bytes) { line.End(serial::kEndB).Write(bytes); }
  // One tick's step, seconds after the previous one.
  void Step(int64_t seconds = 0) {
    now += seconds;
    receiver.RXEngine(port, now);
  }
  // Steps until a packet is ready (at most limit); answers how many it took.
  int StepsUntilReady(int limit = 10) {
    for (int i = 1; i <= limit; ++i) {
      Step();
      if (receiver.packetReady) return i;
    }
    return -1;
  }

  serial::MemoryLine line;
  CSerialPort* port = nullptr;
  std::vector<std::string> log;
  CommandPacketReceiver receiver;
  int64_t now = 1'000'000;
};

TEST_F(PacketReceiverTest, WholePacketAtOnceTakesFiveStepsAndLogsEveryField) {
  Send(kGetOrvo1);
  EXPECT_EQ(StepsUntilReady(), 5);
  EXPECT_EQ(receiver.command, "G");
  EXPECT_EQ(receiver.parameter, "orvo1.obj");
  EXPECT_EQ(receiver.rxState, RX_WAIT_COMMAND);
  EXPECT_EQ(log, (std::vector<std::string>{
                     std::string(kLogCommand) + "47 ", std::string(kLogSize) + "00 09 ",
                     std::string(kLogParameter) + "6F 72 76 6F 31 2E 6F 62 6A ",
                     std::string(kLogRxChecksum) + "60 "}));
}

TEST_F(PacketReceiverTest, ParameterArrivingInPiecesIsCollectedOverSteps) {
  Send({'P', 0x00, 0x04, 'a', 'b'});
  for (int i = 0; i < 4; ++i) Step();
  EXPECT_EQ(receiver.rxState, RX_PARAMETER);
  EXPECT_EQ(receiver.remaining, 2u);
  Send({'c', 'd', static_cast<uint8_t>('a' + 'b' + 'c' + 'd')});
  EXPECT_EQ(StepsUntilReady(), 2);
  EXPECT_EQ(receiver.parameter, "abcd");
}

TEST_F(PacketReceiverTest, EmptyParameterCompletesWithSumZero) {
  Send({'G', 0x00, 0x00, 0x00});
  EXPECT_EQ(StepsUntilReady(), 5);
  EXPECT_TRUE(receiver.parameter.empty());
  EXPECT_EQ(log[2], kLogParameter);
}

TEST_F(PacketReceiverTest, ZeroBytesStayInTheParameter) {
  Send({'G', 0x00, 0x03, 'a', 0x00, 'b', static_cast<uint8_t>('a' + 'b')});
  ASSERT_EQ(StepsUntilReady(), 5);
  EXPECT_EQ(receiver.parameter, std::string("a\0b", 3));
  EXPECT_EQ(log[2], std::string(kLogParameter) + "61 00 62 ");
}

TEST_F(PacketReceiverTest, SizeIsUnsignedHighByteFirst) {
  Send({'P', 0x80, 0x00});
  for (int i = 0; i < 3; ++i) Step();
  EXPECT_EQ(receiver.rxState, RX_PARAMETER);
  EXPECT_EQ(receiver.remaining, 32768u);
  EXPECT_EQ(log.back(), std::string(kLogSize) + "80 00 ");
}

TEST_F(PacketReceiverTest, SumIncludingLetterAndSizeIsRejected) {
  const uint8_t wrongSum = static_cast<uint8_t>(0x60 + 0x47 + 0x09);
  Bytes packet(kGetOrvo1.begin(), kGetOrvo1.end() - 1);
  packet.push_back(wrongSum);
  Send(packet);
  EXPECT_EQ(StepsUntilReady(6), -1);
  EXPECT_TRUE(receiver.command.empty());
  EXPECT_TRUE(receiver.parameter.empty());
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[3], std::string(kLogRxChecksum) + "B0 ");
  EXPECT_EQ(log[4], std::string(kLogPacketChecksumError) + "60 ");

  // The line is ready for the calculator's repeat.
  Send(kGetOrvo1);
  EXPECT_EQ(StepsUntilReady(), 5);
}

TEST_F(PacketReceiverTest, StalledPacketIsDroppedWhenTheNextByteComesLate) {
  Send({'G', 0x00});
  Step();
  Step();
  Step(5);  // silence: nothing is judged while no byte waits
  EXPECT_EQ(receiver.rxState, RX_SIZE);
  Send(kGetOrvo1);
  Step();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1], kLogCommandTimedOut);
  EXPECT_EQ(log[2], std::string(kLogCommand) + "47 ");
  EXPECT_EQ(StepsUntilReady(), 4);
  EXPECT_EQ(receiver.parameter, "orvo1.obj");
}

TEST_F(PacketReceiverTest, ThreeSecondsOfSilenceAreNotATimeOut) {
  Send({'G', 0x00});
  Step();
  Step();
  Send({0x09, 'o', 'r', 'v', 'o', '1', '.', 'o', 'b', 'j', 0x60});
  Step(3);
  EXPECT_EQ(StepsUntilReady(), 2);
  EXPECT_EQ(receiver.parameter, "orvo1.obj");
  for (const std::string& entry : log) EXPECT_NE(entry, kLogCommandTimedOut);
}

TEST_F(PacketReceiverTest, RestartDropsAPartialPacket) {
  Send({'G', 0x00, 0x09});
  Step();
  Step();
  receiver.Restart();
  Step();
  EXPECT_EQ(receiver.command, std::string(1, '\x09'));
  EXPECT_EQ(receiver.rxState, RX_SIZE);
}

TEST(PacketChecksumTest, SumsModulo256) {
  EXPECT_EQ(PacketChecksum({}), 0);
  const uint8_t bytes[] = {0xFF, 0x02, 0x80, 0x80};
  EXPECT_EQ(PacketChecksum(bytes), 0x01);
}

TEST(FormatHexLineTest, TwoUpperCaseDigitsAndABlankPerByte) {
  const uint8_t bytes[] = {0x00, 0x0A, 0xFF};
  EXPECT_EQ(FormatHexLine("x = ", bytes), "x = 00 0A FF ");
  EXPECT_EQ(FormatHexLine(kLogCommandTimedOut, {}), kLogCommandTimedOut);
}

}  // namespace
