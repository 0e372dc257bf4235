// The in-memory line itself: timing, faults and the cooperative peer hook that other
// subsystems' tests build on.

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "host/fake_clock.h"
#include "serial/memory_line.h"

namespace serial {
namespace {

std::vector<uint8_t> Bytes(size_t n) {
  std::vector<uint8_t> bytes(n);
  std::iota(bytes.begin(), bytes.end(), 0);
  return bytes;
}

class MemoryLineTest : public ::testing::Test {
 protected:
  host::FakeClock clock;
  host::ScopedClock useClock{clock};
};

TEST_F(MemoryLineTest, PacedLineDeliversAtItsRateInOrder) {
  MemoryLine line(MemoryLineConfig().Paced(1000));
  MemoryEnd& a = line.End(kEndA);
  MemoryEnd& b = line.End(kEndB);
  EXPECT_EQ(a.Write(Bytes(100)), 100u);
  EXPECT_EQ(b.RxCount(), 0);
  EXPECT_EQ(a.TxCount(), 100);
  clock.Advance(10);
  EXPECT_EQ(b.RxCount(), 10);
  EXPECT_EQ(a.TxCount(), 90);
  clock.Advance(1000);
  EXPECT_EQ(b.ReadAll(), Bytes(100));

  clock.Advance(5000);
  a.Write({7});
  EXPECT_EQ(b.RxCount(), 0) << "an idle wire does not bank time";
  clock.Advance(1);
  EXPECT_EQ(b.ReadByte(), 7);
}

TEST_F(MemoryLineTest, ScheduledFaultsHitTheNumberedBytes) {
  MemoryLine line;
  MemoryEnd& a = line.End(kEndA);
  a.DropByte(1);
  a.CorruptByte(3, 0x80);
  a.Write({10, 11, 12, 13, 14});
  EXPECT_EQ(line.End(kEndB).ReadAll(), (std::vector<uint8_t>{10, 12, 13 ^ 0x80, 14}));
  EXPECT_EQ(a.BytesSent(), 5u);
  EXPECT_EQ(a.BytesDropped(), 1u);
  a.Write({15});
  EXPECT_EQ(line.End(kEndB).ReadAll(), (std::vector<uint8_t>{15})) << "faults fire once";
}

TEST_F(MemoryLineTest, PauseHoldsTheByteAndEverythingBehindIt) {
  MemoryLine line;
  MemoryEnd& a = line.End(kEndA);
  MemoryEnd& b = line.End(kEndB);
  a.PauseBefore(2, 300);
  a.Write({1, 2, 3, 4});
  EXPECT_EQ(b.ReadAll(), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(a.TxCount(), 2);
  clock.Advance(299);
  EXPECT_EQ(b.RxCount(), 0);
  clock.Advance(1);
  EXPECT_EQ(b.ReadAll(), (std::vector<uint8_t>{3, 4}));
}

TEST_F(MemoryLineTest, RandomFaultsRepeatForTheSameSeed) {
  auto run = [&](uint32_t seed) {
    MemoryLine line;
    line.End(kEndB).RandomFaults(seed, 0.05, 0.05);
    std::vector<uint8_t> got;
    for (int round = 0; round < 10; ++round) {
      line.End(kEndB).Write(Bytes(200));
      auto part = line.End(kEndA).ReadAll();
      got.insert(got.end(), part.begin(), part.end());
    }
    return got;
  };
  const auto first = run(7);
  EXPECT_EQ(first, run(7));
  EXPECT_NE(first, run(8));
  EXPECT_LT(first.size(), 2000u);
  EXPECT_GT(first.size(), 1700u);
}

TEST_F(MemoryLineTest, SmallQueuesAreHonoured) {
  MemoryLine line(MemoryLineConfig().Queues(kEndA, 16, 8));
  CSerialPort* port = line.OpenPort(kEndA);
  std::vector<uint8_t> data = Bytes(20);
  line.End(kEndA).SetOutputHeld(true);
  EXPECT_EQ(port->ops.PutBytes(port, data.data(), 20), PORT_TX_FULL);
  EXPECT_EQ(port->count, 8u);
  EXPECT_EQ(port->ops.TxFree(port), 0);
  line.End(kEndB).Write(data);
  EXPECT_EQ(port->ops.RxCount(port), 16);
  EXPECT_EQ(port->ops.RxFree(port), 0);
  EXPECT_EQ(port->ops.LineStatus(port), 0) << "RXOVER is not one of the four line bits";
  EXPECT_EQ(port->driver->lineErrors, CE_RXOVER);
  port->ops.ClosePort(port);
}

TEST_F(MemoryLineTest, IdleHookAdvancesClockRunsPeerThenChainsToPreviousHook) {
  static int previousCalls;
  previousCalls = 0;
  const IdleHookFn saved = IdleHook;
  IdleHook = [](CSerialPort*) { return ++previousCalls, 0; };
  {
    MemoryLine line;
    CSerialPort* port = line.OpenPort(kEndA);
    MemoryEnd& peer = line.End(kEndB);
    // A peer that echoes every byte back, one per step.
    line.SetPeerStep([&] {
      const int byte = peer.ReadByte();
      if (byte >= 0) peer.Write({static_cast<uint8_t>(byte + 1)});
      return 0;
    });
    line.InstallIdleHook(&clock, 5);
    port->ops.PutChar(port, 'A');
    while (port->ops.RxCount(port) == 0) EXPECT_EQ(IdleHook(port), 0);
    EXPECT_EQ(port->ops.GetChar(port), 'B');
    EXPECT_EQ(clock.ElapsedMs(), 5u);
    EXPECT_EQ(previousCalls, 1);

    EXPECT_EQ(PortDelay(port, 100), PORT_OK);
    EXPECT_EQ(clock.ElapsedMs(), 105u);
    EXPECT_EQ(previousCalls, 21);
    port->ops.ClosePort(port);
  }
  EXPECT_EQ(IdleHook(nullptr), 0) << "the line's destructor put the old hook back";
  EXPECT_EQ(previousCalls, 22);
  IdleHook = saved;
}

TEST_F(MemoryLineTest, PeerStepCanEndTheWaitAndIsNotReentered) {
  MemoryLine line;
  CSerialPort* port = line.OpenPort(kEndA);
  int steps = 0;
  line.SetPeerStep([&] {
    ++steps;
    EXPECT_EQ(PortDelay(port, 3), PORT_OK) << "a peer that waits does not run itself again";
    return steps == 4 ? -7 : 0;
  });
  line.InstallIdleHook(&clock);
  EXPECT_EQ(PortDelay(port, 1000), -7);
  EXPECT_EQ(steps, 4);
  port->ops.ClosePort(port);
}

TEST_F(MemoryLineTest, StepPerReadKeepsABusyPollingSenderMovingOnAPacedLine) {
  MemoryLine line(MemoryLineConfig().Paced(960));
  CSerialPort* port = line.OpenPort(kEndA);
  clock.SetStepPerRead(1);
  std::vector<uint8_t> data = Bytes(1024);
  EXPECT_EQ(port->ops.PutBytes(port, data.data(), 1024), PORT_OK);
  int polls = 0;
  while (port->ops.TxCount(port) > 0) ++polls;
  EXPECT_GT(polls, 0);
  EXPECT_EQ(line.End(kEndB).ReadAll(), data);
  clock.SetStepPerRead(0);
  port->ops.ClosePort(port);
}

}  // namespace
}  // namespace serial
