// The port contract (open, line settings, I/O, counts, line and modem status) exercised through
// the operation table of a port on the in-memory line.

#include <gtest/gtest.h>

#include <vector>

#include "host/fake_clock.h"
#include "serial/memory_line.h"

namespace serial {
namespace {

class MemoryPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = line.OpenPort(kEndA);
    ASSERT_EQ(port->status, PORT_OK);
  }
  void TearDown() override {
    if (port) port->ops.ClosePort(port);
  }

  host::FakeClock clock;
  host::ScopedClock useClock{clock};
  MemoryLine line;
  MemoryEnd& peer = line.End(kEndB);
  CSerialPort* port = nullptr;
};

TEST_F(MemoryPortTest, OpenAppliesPreparedSettingsAndRaisesDtrRts) {
  const DCB& applied = line.End(kEndA).AppliedDcb();
  EXPECT_EQ(applied.BaudRate, 9600u);
  EXPECT_EQ(applied.ByteSize, 8);
  EXPECT_EQ(applied.Parity, NOPARITY);
  EXPECT_EQ(applied.StopBits, ONESTOPBIT);
  EXPECT_EQ(applied.fBinary, 1u);
  EXPECT_EQ(applied.XonChar, 0x11);
  EXPECT_EQ(applied.XoffChar, 0x13);
  EXPECT_EQ(applied.XonLim, 262);
  EXPECT_EQ(applied.XoffLim, 262);
  EXPECT_TRUE(line.End(kEndA).Dtr());
  EXPECT_TRUE(line.End(kEndA).Rts());
  EXPECT_EQ(port->portIndex, kEndA);
}

TEST_F(MemoryPortTest, SecondOpenOfAnEndIsInUse) {
  CSerialPort* second = line.OpenPort(kEndA);
  EXPECT_EQ(second->status, PORT_IN_USE);
  EXPECT_EQ(second->ops.GetChar(second), PORT_UNSUPPORTED);
  EXPECT_EQ(second->ops.ClosePort(second), PORT_OK);
  EXPECT_EQ(line.End(kEndA).Port(), port);
}

TEST_F(MemoryPortTest, ReadsTakeOnlyWhatHasArrived) {
  uint8_t buffer[10] = {};
  port->status = PORT_TX_FULL;
  EXPECT_EQ(port->ops.GetBytes(port, buffer, 10), PORT_RX_EMPTY);
  EXPECT_EQ(port->count, 0u);
  EXPECT_EQ(port->status, PORT_TX_FULL) << "an empty read leaves status alone";

  peer.Write({1, 2, 3});
  EXPECT_EQ(port->ops.GetBytes(port, buffer, 10), PORT_OK);
  EXPECT_EQ(port->count, 3u);
  EXPECT_EQ((std::vector<uint8_t>(buffer, buffer + 3)), (std::vector<uint8_t>{1, 2, 3}));

  peer.Write({0xFF, 0x00});
  EXPECT_EQ(port->ops.GetChar(port), 255);
  EXPECT_EQ(port->ops.GetChar(port), 0);
  EXPECT_EQ(port->ops.GetChar(port), PORT_RX_EMPTY);
}

TEST_F(MemoryPortTest, WritesTakeWhatFitsAndCountExactly) {
  std::vector<uint8_t> data(1200, 0x55);
  line.End(kEndA).SetOutputHeld(true);
  EXPECT_EQ(port->ops.PutBytes(port, data.data(), 1200), PORT_TX_FULL);
  EXPECT_EQ(port->count, 1050u);
  EXPECT_EQ(port->status, PORT_TX_FULL);
  EXPECT_EQ(port->ops.TxCount(port), 1050);
  EXPECT_EQ(port->ops.TxFree(port), 0);
  EXPECT_EQ(port->ops.PutChar(port, 1), PORT_TX_FULL);

  line.End(kEndA).SetOutputHeld(false);
  EXPECT_EQ(port->ops.TxCount(port), 0);
  EXPECT_EQ(peer.RxCount(), 1050);
  EXPECT_EQ(port->ops.PutBytes(port, data.data(), 0), PORT_OK);
  EXPECT_EQ(port->count, 0u);
  EXPECT_EQ(port->ops.PutBytes(port, data.data(), 150), PORT_OK);
  EXPECT_EQ(port->count, 150u);
}

TEST_F(MemoryPortTest, HeldOutputLeavesInOneWriteAtTheReleaseOrAWait) {
  MemoryEnd& device = line.End(kEndA);
  std::vector<uint8_t> data(1040, 0x55);
  HoldOutput(port);
  EXPECT_EQ(port->ops.PutChar(port, 0x02), PORT_OK);
  EXPECT_EQ(port->ops.PutBytes(port, data.data(), 1040), PORT_OK);
  EXPECT_EQ(port->count, 1040u);
  EXPECT_EQ(port->ops.TxCount(port), 1041) << "gathered bytes are queued bytes";
  // The queue's limit holds for what is gathered as for what the device has.
  EXPECT_EQ(port->ops.PutBytes(port, data.data(), 10), PORT_TX_FULL);
  EXPECT_EQ(port->count, 9u);
  EXPECT_EQ(device.PortWrites(), 0u);
  ReleaseOutput(port);
  EXPECT_EQ(device.PortWrites(), 1u);
  EXPECT_EQ(peer.RxCount(), 1050);
  peer.ReadAll();

  HoldOutput(port);
  port->ops.PutChar(port, 0x06);
  WaitForPortEvent(port, 0);
  EXPECT_EQ(peer.ReadAll(), std::vector<uint8_t>{0x06}) << "a wait sends what was gathered";
  port->ops.PutChar(port, 0x07);
  EXPECT_EQ(port->ops.ClearTx(port), PORT_OK);
  ReleaseOutput(port);
  EXPECT_EQ(peer.RxCount(), 0) << "discarded with the queue";
  EXPECT_EQ(device.PortWrites(), 2u);
}

TEST_F(MemoryPortTest, RefusingEndFailsEveryWrite) {
  line.End(kEndA).SetRefuseWrites(true);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(port->ops.PutChar(port, 'x'), PORT_TX_FULL);
  EXPECT_EQ(port->count, 0u);
  EXPECT_EQ(peer.RxCount(), 0);
}

TEST_F(MemoryPortTest, CountsAndFreeSpace) {
  peer.Write(std::vector<uint8_t>(50, 7));
  EXPECT_EQ(port->ops.RxCount(port), 50);
  EXPECT_EQ(port->ops.RxFree(port), 1000);
  EXPECT_EQ(port->ops.TxFree(port), 1050);
}

TEST_F(MemoryPortTest, ClearTxDiscardsOnlyOutput) {
  line.End(kEndA).SetOutputHeld(true);
  port->ops.PutBytes(port, reinterpret_cast<const uint8_t*>("abc"), 3);
  peer.Write({9});
  EXPECT_EQ(port->ops.ClearTx(port), PORT_OK);
  EXPECT_EQ(port->ops.TxCount(port), 0);
  EXPECT_EQ(port->ops.RxCount(port), 1);
}

TEST_F(MemoryPortTest, LineErrorsAccumulateUntilCleared) {
  line.End(kEndA).RaiseLineErrors(CE_FRAME);
  EXPECT_EQ(port->ops.LineStatus(port), CE_FRAME);
  EXPECT_EQ(port->ops.LineStatus(port), CE_FRAME) << "the device cleared it; the port keeps it";
  line.End(kEndA).RaiseLineErrors(CE_OVERRUN | CE_MODE);
  EXPECT_EQ(port->ops.RxCount(port), 0);
  EXPECT_EQ(port->ops.LineStatus(port), CE_FRAME | CE_OVERRUN) << "masked to 0x1E";
  EXPECT_EQ(port->ops.ClearLineStatus(port), PORT_OK);
  EXPECT_EQ(port->ops.LineStatus(port), 0);
}

TEST_F(MemoryPortTest, OverflowingInputQueueLosesBytesAndFlagsRxOver) {
  peer.Write(std::vector<uint8_t>(1050, 1));
  peer.Write({2, 3});
  EXPECT_EQ(port->ops.RxCount(port), 1050);
  EXPECT_EQ(port->driver->lineErrors & CE_RXOVER, CE_RXOVER);
}

TEST_F(MemoryPortTest, BreakOfZeroMsSetsAndClearsWithoutTheHook) {
  static int hookCalls;
  hookCalls = 0;
  const IdleHookFn saved = IdleHook;
  IdleHook = [](CSerialPort*) { return ++hookCalls, 0; };
  EXPECT_EQ(port->ops.SendBreak(port, 0), PORT_OK);
  IdleHook = saved;
  EXPECT_EQ(hookCalls, 0);
  EXPECT_EQ(line.End(kEndA).BreaksSent(), 1u);
  EXPECT_FALSE(line.End(kEndA).BreakOn());
  EXPECT_EQ(peer.TakeLineErrors(), CE_BREAK);
}

TEST_F(MemoryPortTest, BreakLastsItsTimeAndEndsWhenTheHookGivesUp) {
  bool onDuringWait = false;
  line.InstallIdleHook(&clock);
  line.SetPeerStep([&] {
    onDuringWait = line.End(kEndA).BreakOn();
    return clock.ElapsedMs() >= 20 ? -1 : 0;
  });
  EXPECT_EQ(port->ops.SendBreak(port, 100), PORT_OK) << "the hook's answer is not passed on";
  EXPECT_TRUE(onDuringWait);
  EXPECT_FALSE(line.End(kEndA).BreakOn());
  EXPECT_EQ(clock.ElapsedMs(), 20u);
}

TEST_F(MemoryPortTest, ModemInputsFollowTheOtherEndLikeANullModem) {
  EXPECT_EQ(port->ops.ModemStatus(port), MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
  peer.SetDtr(false);
  EXPECT_EQ(port->ops.ModemStatus(port) & MS_RLSD_ON, 0);
  peer.SetModemInputs(MS_RING_ON | MS_RLSD_ON);
  EXPECT_EQ(peer.ModemInputs(), MS_RING_ON | MS_RLSD_ON);
  EXPECT_EQ(line.End(kEndA).ModemInputs(), MS_CTS_ON) << "an override is one end's own";
  line.End(kEndA).SetModemInputs(MS_RLSD_ON);
  EXPECT_EQ(port->ops.ModemStatus(port), MS_RLSD_ON);
}

TEST_F(MemoryPortTest, LineParametersAreCheckedInOrder) {
  MemoryEnd& end = line.End(kEndA);
  EXPECT_EQ(port->ops.SetLineParams(port, 115200, 'e', 7, 2), PORT_OK);
  EXPECT_EQ(end.AppliedDcb().BaudRate, 115200u);
  EXPECT_EQ(end.AppliedDcb().Parity, EVENPARITY);
  EXPECT_EQ(end.AppliedDcb().ByteSize, 7);
  EXPECT_EQ(end.AppliedDcb().StopBits, TWOSTOPBITS);

  EXPECT_EQ(port->ops.SetLineParams(port, 115201, 'X', 8, 3), PORT_BAD_BAUD);
  EXPECT_EQ(port->driver->dcb.BaudRate, 115200u) << "nothing stored after a bad rate";

  EXPECT_EQ(port->ops.SetLineParams(port, 19200, 'X', 8, 1), PORT_BAD_PARITY);
  EXPECT_EQ(port->driver->dcb.BaudRate, 19200u) << "rate and size stay in the copy";
  EXPECT_EQ(port->driver->dcb.ByteSize, 8);
  EXPECT_EQ(end.AppliedDcb().BaudRate, 115200u) << "but nothing is applied";

  for (int32_t stopBits : {0, 3}) {
    EXPECT_EQ(port->ops.SetLineParams(port, 9600, 'n', 8, stopBits), PORT_BAD_STOP_BITS);
    EXPECT_EQ(port->status, PORT_BAD_STOP_BITS);
    EXPECT_EQ(end.AppliedDcb().BaudRate, 115200u);
  }
  EXPECT_EQ(port->driver->dcb.Parity, NOPARITY) << "'n' acts as 'N'";

  EXPECT_EQ(port->ops.SetLineParams(port, 9600, 'M', 8, 1), PORT_BAD_STOP_BITS)
      << "a success answers the status, which is sticky";
  EXPECT_EQ(end.AppliedDcb().Parity, MARKPARITY);
}

TEST_F(MemoryPortTest, RatesAndSizesTheLineCannotRunAreRejectedWhenApplied) {
  EXPECT_EQ(port->ops.SetLineParams(port, 0, 'N', 8, 1), PORT_BAD_BAUD);
  port->ops.ClearStatus(port);
  EXPECT_EQ(port->ops.SetLineParams(port, 9600, 'N', 9, 1), PORT_BAD_DATA_BITS);
  EXPECT_EQ(line.End(kEndA).AppliedDcb().BaudRate, 9600u);
}

TEST_F(MemoryPortTest, BadParametersAtOpenLeaveThePortUsable) {
  port->ops.ClosePort(port);
  port = line.OpenPort(kEndA, 9600, 'N', 8, 0);
  EXPECT_EQ(port->status, PORT_BAD_STOP_BITS);
  peer.Write({42});
  EXPECT_EQ(port->ops.GetChar(port), 42);
}

TEST_F(MemoryPortTest, StatusIsStickyUntilClearStatus) {
  std::vector<uint8_t> data(1100);
  port->ops.PutBytes(port, data.data(), 1100);
  ASSERT_EQ(port->status, PORT_TX_FULL);
  EXPECT_EQ(port->ops.SetXonXoff(port, 1), PORT_OK);
  EXPECT_EQ(line.End(kEndA).AppliedDcb().fOutX, 1u);
  EXPECT_EQ(port->status, PORT_TX_FULL);
  EXPECT_EQ(port->ops.ClearStatus(port), PORT_OK);
  EXPECT_EQ(port->status, PORT_OK);
}

TEST_F(MemoryPortTest, HandshakeSettersDriveTheControlLines) {
  MemoryEnd& end = line.End(kEndA);
  EXPECT_EQ(port->ops.SetRtsCts(port, 0), PORT_OK);
  EXPECT_FALSE(end.Rts());
  EXPECT_EQ(port->ops.SetRts(port, 1), PORT_OK);
  EXPECT_TRUE(end.Rts());
  EXPECT_EQ(port->ops.SetRtsCts(port, 1), PORT_OK);
  EXPECT_EQ(port->driver->dcb.fOutxCtsFlow, 1u);
  EXPECT_EQ(port->driver->dcb.fRtsControl, RTS_CONTROL_HANDSHAKE);
  EXPECT_EQ(port->ops.SetDtrDsr(port, 0), PORT_OK);
  EXPECT_FALSE(end.Dtr());
  EXPECT_EQ(port->ops.SetDtr(port, 1), PORT_OK);
  EXPECT_TRUE(end.Dtr());
  EXPECT_EQ(port->ops.SetDtrDsr(port, 1), PORT_OK);
  EXPECT_EQ(port->driver->dcb.fDtrControl, DTR_CONTROL_HANDSHAKE);
  EXPECT_EQ(port->status, PORT_OK);
}

TEST_F(MemoryPortTest, ApplyFailuresReachStatusExceptForDtrAndRts) {
  line.End(kEndA).SetApplyFailure(PORT_FAILED);
  EXPECT_EQ(port->ops.SetDtr(port, 0), PORT_OK);
  EXPECT_EQ(port->ops.SetRts(port, 0), PORT_OK);
  EXPECT_EQ(port->status, PORT_OK);
  EXPECT_EQ(port->ops.SetXonXoff(port, 1), PORT_FAILED);
  EXPECT_EQ(port->status, PORT_FAILED);
  port->ops.ClearStatus(port);
  EXPECT_EQ(port->ops.SetRtsCts(port, 1), PORT_FAILED);
  port->ops.ClearStatus(port);
  EXPECT_EQ(port->ops.SetDtrDsr(port, 1), PORT_FAILED);
  port->ops.ClearStatus(port);
  EXPECT_EQ(port->ops.SetLineParams(port, 9600, 'N', 8, 1), PORT_FAILED);
}

TEST_F(MemoryPortTest, UnpluggedEndFailsEveryOperationWithNotFoundUntilOpenedAgain) {
  line.End(kEndB).Write({0x41});
  line.End(kEndA).Unplug();
  uint8_t byte = 0;
  EXPECT_EQ(port->ops.GetChar(port), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.PutBytes(port, &byte, 1), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.RxCount(port), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.TxFree(port), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.ModemStatus(port), 0) << "no lines: the carrier is gone";
  EXPECT_EQ(port->ops.SetXonXoff(port, 0), PORT_NOT_FOUND);
  EXPECT_EQ(port->status, PORT_NOT_FOUND);
  CSerialPort* refused = line.OpenPort(kEndA);
  EXPECT_EQ(refused->status, PORT_NOT_FOUND);
  refused->ops.ClosePort(refused);

  line.End(kEndA).Plug();
  EXPECT_EQ(port->ops.RxCount(port), PORT_NOT_FOUND) << "a handle on the old device stays dead";
  CSerialPort* again = line.OpenPort(kEndA);
  EXPECT_EQ(again->status, PORT_OK);
  EXPECT_EQ(again->ops.RxCount(again), 0) << "the device comes back empty";
  EXPECT_EQ(again->ops.ClosePort(again), PORT_OK);
  EXPECT_EQ(port->ops.ClosePort(port), PORT_OK);
  port = nullptr;
}

TEST(MemoryPortLifetimeTest, PortOutlivingItsLineFailsInsteadOfCrashing) {
  auto line = std::make_unique<MemoryLine>();
  CSerialPort* port = line->OpenPort(kEndB);
  line.reset();
  EXPECT_EQ(port->ops.RxCount(port), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.SendBreak(port, 0), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.ClosePort(port), PORT_OK);
}

TEST(MemoryPortLifetimeTest, CloseDropsDtrThenRtsWhileTheEndIsStillOpen) {
  MemoryLine line;
  CSerialPort* port = line.OpenPort(kEndA);
  std::vector<std::string> seen;
  line.SetControlObserver([&](LineSide side) {
    const MemoryEnd& end = line.End(side);
    seen.push_back(std::string(end.Dtr() ? "DTR" : "dtr") + (end.Rts() ? "RTS" : "rts") +
                   (end.IsOpen() ? " open" : " closed"));
  });
  port->ops.ClosePort(port);
  EXPECT_EQ(seen, (std::vector<std::string>{"dtrRTS open", "dtrrts open"}));
  EXPECT_FALSE(line.End(kEndA).IsOpen());
}

}  // namespace
}  // namespace serial
