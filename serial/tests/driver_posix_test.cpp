// The POSIX driver on pseudo-terminals: everything a pty can show. Modem lines, line-error
// counters and DTR/RTS are covered on the in-memory line instead.

#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "host/tests/asleep_linux.h"
#include "serial/device_extras.h"
#include "serial/device_posix.h"
#include "serial/driver_state.h"
#include "serial/port_object.h"
#include "serial/pty_pair.h"

namespace serial {
namespace {

termios SettingsOf(CSerialPort* port) {
  termios tio{};
  EXPECT_EQ(tcgetattr(port->driver->fd, &tio), 0);
  return tio;
}

class PosixPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    port = OpenPortPath(pty.SlavePath().c_str(), 9600, 'N', 8, 1);
    ASSERT_EQ(port->status, PORT_OK);
  }
  void TearDown() override {
    if (port) {
      EXPECT_EQ(port->ops.ClosePort(port), PORT_OK);
    }
  }

  PtyPair pty;
  CSerialPort* port = nullptr;
};

TEST_F(PosixPortTest, OpensRawNonBlockingAt8N1) {
  const termios tio = SettingsOf(port);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(tio.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_cc[VSTART], 0x11);
  EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
  EXPECT_EQ(port->portIndex, -1);
  EXPECT_EQ(port->driver->inQueueSize, 1050);
  EXPECT_EQ(port->driver->dcb.XonLim, 262);
  EXPECT_EQ(port->ops.GetChar(port), PORT_RX_EMPTY) << "a read of an idle line returns at once";
}

TEST_F(PosixPortTest, AnyRateReachesTheDevice) {
  if (!CanSetAnyRate()) GTEST_SKIP() << "termios names no 15360 and this system adds no way to it";
  // A pty forces CS8 and no parity on itself, so only rate and stop bits show here.
  EXPECT_EQ(port->ops.SetLineParams(port, 15360, 'N', 8, 2), PORT_OK);
  EXPECT_EQ(ReadAnyRate(port->driver->fd), 15360u);
  EXPECT_EQ(SettingsOf(port).c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
  EXPECT_EQ(port->ops.SetLineParams(port, 9600, 'N', 8, 1), PORT_OK);
  const termios tio = SettingsOf(port);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600)) << "back to a rate termios names";
}

TEST_F(PosixPortTest, ARateTermiosCannotNameIsRefusedWhereNothingSetsIt) {
  if (CanSetAnyRate()) GTEST_SKIP() << "this system sets any rate";
  EXPECT_EQ(port->ops.SetLineParams(port, 15360, 'N', 8, 1), PORT_BAD_BAUD);
  const termios tio = SettingsOf(port);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
}

TEST(TranslateDcbTest, ParitySizeStopBitsAndFlowBecomeTermiosFlags) {
  DCB dcb{};
  dcb.BaudRate = 15360;
  dcb.ByteSize = 7;
  dcb.StopBits = TWOSTOPBITS;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  // Mark and space need the system's sticky-parity flag; without one they are refused.
  const tcflag_t sticky = StickyParityFlag();
  const struct {
    uint8_t parity;
    tcflag_t flags;
  } parities[] = {{NOPARITY, 0},
                  {ODDPARITY, PARENB | PARODD},
                  {EVENPARITY, PARENB},
                  {MARKPARITY, PARENB | PARODD | sticky},
                  {SPACEPARITY, PARENB | sticky}};
  for (const auto& parity : parities) {
    dcb.Parity = parity.parity;
    termios tio{};
    tio.c_cflag = CS8 | PARENB | PARODD | HUPCL;
    cfsetospeed(&tio, B38400);
    tio.c_iflag = ICRNL | IXON;
    tio.c_lflag = ICANON | ECHO;
    tio.c_oflag = OPOST;
    const bool refused = sticky == 0 && parity.parity >= MARKPARITY;
    ASSERT_EQ(TranslateDcb(dcb, tio), refused ? PORT_BAD_PARITY : PORT_OK) << int{parity.parity};
    if (refused) continue;
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | sticky), parity.flags) << int{parity.parity};
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B38400)) << "no constant: the rate stays";
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(tio.c_cflag & (CSTOPB | CLOCAL | CREAD | HUPCL),
              static_cast<tcflag_t>(CSTOPB | CLOCAL | CREAD | HUPCL));
    EXPECT_EQ(tio.c_iflag, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(tio.c_oflag, 0u);
  }

  dcb.BaudRate = 9600;
  dcb.ByteSize = 5;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fOutX = dcb.fInX = dcb.fParity = 1;
  dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  termios tio{};
  ASSERT_EQ(TranslateDcb(dcb, tio), PORT_OK);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(tio.c_cflag & (CSIZE | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS5 | CRTSCTS));
  EXPECT_EQ(tio.c_iflag, static_cast<tcflag_t>(IXON | IXOFF | INPCK));
  EXPECT_EQ(tio.c_cc[VSTART], 0x11);
  EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
  EXPECT_EQ(tio.c_cc[VMIN], 1) << "with the non-blocking descriptor: EAGAIN when empty";
  EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST_F(PosixPortTest, RejectedParametersLeaveTheDeviceAsItWas) {
  EXPECT_EQ(port->ops.SetLineParams(port, 230400, 'N', 8, 1), PORT_BAD_BAUD);
  port->ops.ClearStatus(port);
  EXPECT_EQ(port->ops.SetLineParams(port, 0, 'N', 8, 1), PORT_BAD_BAUD)
      << "zero would hang the line up";
  port->ops.ClearStatus(port);
  EXPECT_EQ(port->ops.SetLineParams(port, 19200, 'N', 9, 1), PORT_BAD_DATA_BITS);
  port->ops.ClearStatus(port);
  EXPECT_EQ(port->ops.SetLineParams(port, 19200, 'Q', 8, 1), PORT_BAD_PARITY);
  const termios tio = SettingsOf(port);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
}

TEST_F(PosixPortTest, FlowControlSettersReachTermios) {
  port->status = PORT_TX_FULL;
  EXPECT_EQ(port->ops.SetXonXoff(port, 1), PORT_OK);
  EXPECT_EQ(SettingsOf(port).c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(port->status, PORT_TX_FULL) << "a later success leaves status alone";
  EXPECT_EQ(port->ops.SetRtsCts(port, 1), PORT_OK);
  EXPECT_EQ(SettingsOf(port).c_cflag & CRTSCTS, static_cast<tcflag_t>(CRTSCTS));
  EXPECT_EQ(port->ops.SetRtsCts(port, 0), PORT_OK);
  EXPECT_EQ(SettingsOf(port).c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(port->ops.SetXonXoff(port, 0), PORT_OK);
  EXPECT_EQ(SettingsOf(port).c_iflag & (IXON | IXOFF), 0u);
  EXPECT_EQ(port->ops.SetDtr(port, 0), PORT_OK) << "no modem lines on a pty is not an error";
  EXPECT_EQ(port->ops.SetDtrDsr(port, 1), PORT_OK);
}

TEST_F(PosixPortTest, SecondOpenIsRefusedHereAndInAnotherProcess) {
  CSerialPort* second = OpenPortPath(pty.SlavePath().c_str(), 9600, 'N', 8, 1);
  EXPECT_EQ(second->status, PORT_IN_USE);
  EXPECT_EQ(LastOpenFailure(), "in use by another program");
  EXPECT_EQ(second->ops.ClosePort(second), PORT_OK);

  const pid_t child = fork();
  if (child == 0) {
    CSerialPort* other = OpenPortPath(pty.SlavePath().c_str(), 9600, 'N', 8, 1);
    _exit(other->status == PORT_IN_USE ? 0 : 1);
  }
  int childStatus = 0;
  ASSERT_EQ(waitpid(child, &childStatus, 0), child);
  EXPECT_TRUE(WIFEXITED(childStatus) && WEXITSTATUS(childStatus) == 0);

  EXPECT_EQ(port->ops.ClosePort(port), PORT_OK);
  port = OpenPortPath(pty.SlavePath().c_str(), 9600, 'N', 8, 1);
  EXPECT_EQ(port->status, PORT_OK) << "free again once closed";
  EXPECT_EQ(LastOpenFailure(), "");
}

TEST_F(PosixPortTest, ReadsAndCounts) {
  uint8_t buffer[10] = {};
  port->status = PORT_TX_FULL;
  EXPECT_EQ(port->ops.GetBytes(port, buffer, 10), PORT_RX_EMPTY);
  EXPECT_EQ(port->count, 0u);
  EXPECT_EQ(port->status, PORT_TX_FULL);

  ASSERT_TRUE(pty.Write("\x01\x02\x03"));
  ASSERT_TRUE(PtyPair::WaitForRx(port, 3));
  EXPECT_EQ(port->ops.GetBytes(port, buffer, 10), PORT_OK);
  EXPECT_EQ(port->count, 3u);
  EXPECT_EQ(buffer[2], 3);

  ASSERT_TRUE(pty.Write(std::vector<uint8_t>(50, 0xFF)));
  ASSERT_TRUE(PtyPair::WaitForRx(port, 50));
  EXPECT_EQ(port->ops.RxCount(port), 50);
  EXPECT_EQ(port->ops.RxFree(port), 1000);
  EXPECT_EQ(port->ops.GetChar(port), 255);
  EXPECT_EQ(port->ops.TxCount(port), 0);
  EXPECT_EQ(port->ops.TxFree(port), 1050);

  // The kernel queues more than our 1050 bytes; the rest waits there.
  ASSERT_TRUE(pty.Write(std::vector<uint8_t>(1100, 1)));
  ASSERT_TRUE(PtyPair::WaitForRx(port, 1050));
  EXPECT_EQ(port->ops.RxFree(port), 0);
  std::vector<uint8_t> all(1200);
  EXPECT_EQ(port->ops.GetBytes(port, all.data(), 1200), PORT_OK);
  EXPECT_EQ(port->count, 1050u);
  ASSERT_TRUE(PtyPair::WaitForRx(port, 99));
}

TEST_F(PosixPortTest, WritesTakeAtMostTheQueueAndCountExactly) {
  std::vector<uint8_t> data(1200);
  std::iota(data.begin(), data.end(), 0);
  EXPECT_EQ(port->ops.PutBytes(port, data.data(), 1200), PORT_TX_FULL);
  EXPECT_EQ(port->count, 1050u);
  EXPECT_EQ(port->status, PORT_TX_FULL);
  EXPECT_EQ(pty.Read(1050), std::vector<uint8_t>(data.begin(), data.begin() + 1050));
  EXPECT_EQ(port->ops.PutBytes(port, data.data(), 0), PORT_OK);
  EXPECT_EQ(port->count, 0u);
  EXPECT_EQ(port->ops.PutChar(port, 0xFF), PORT_OK);
  EXPECT_EQ(pty.Read(1), std::vector<uint8_t>{0xFF});
}

TEST_F(PosixPortTest, ALastByteWrittenJustBeforeCloseReachesTheOtherSide) {
  // The byte may still wait for the kernel to move it across when the port closes: a flush then
  // loses it in about one close of six, so fifty closes in a row show the fault.
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(port->ops.PutChar(port, 0x06), PORT_OK);
    ASSERT_EQ(port->ops.ClosePort(port), PORT_OK);
    port = nullptr;
    ASSERT_EQ(pty.Read(1), std::vector<uint8_t>{0x06}) << "close " << i;
    port = OpenPortPath(pty.SlavePath().c_str(), 9600, 'N', 8, 1);
    ASSERT_EQ(port->status, PORT_OK);
  }
}

TEST_F(PosixPortTest, FullKernelBufferTakesFewerBytesAndSaysHowMany) {
  std::vector<uint8_t> data(1050, 0x5A);
  uint64_t taken = 0;
  int32_t answer = PORT_OK;
  for (int i = 0; i < 200 && answer == PORT_OK; ++i) {
    answer = port->ops.PutBytes(port, data.data(), 1050);
    taken += port->count;
  }
  EXPECT_EQ(answer, PORT_TX_FULL);
  EXPECT_LT(port->count, 1050u);
  EXPECT_EQ(pty.Read(taken + 1, 50).size(), taken) << "every byte counted went out, no more";
}

TEST_F(PosixPortTest, AWaitSleepsUntilNewInputArrives) {
  using namespace std::chrono;
  const pid_t waiter = host::testing::ThisThread();
  steady_clock::time_point written;
  std::thread device([&] {
    host::testing::WaitUntilAsleep(waiter);
    written = steady_clock::now();
    pty.Write("a");
  });
  WaitForPortEvent(port, 10000);
  const steady_clock::time_point woke = steady_clock::now();
  device.join();
  EXPECT_GT(woke, written) << "the wait slept until the byte came";
  EXPECT_LT(woke - written, 5s) << "the byte ended the wait";
  // A byte already waiting does not end the next wait: it sleeps its time.
  ASSERT_TRUE(PtyPair::WaitForRx(port, 1));
  const steady_clock::time_point again = steady_clock::now();
  WaitForPortEvent(port, 50);
  EXPECT_GE(steady_clock::now() - again, 45ms);
}

TEST_F(PosixPortTest, APauseWithUnreadInputSleepsItsSteps) {
  static int hookCalls;
  hookCalls = 0;
  pty.Write("unread");
  WaitForPortEvent(port, 1000);
  const IdleHookFn saved = IdleHook;
  IdleHook = [](CSerialPort*) { return ++hookCalls, 0; };
  EXPECT_EQ(PortDelay(port, 100), PORT_OK);
  IdleHook = saved;
  EXPECT_LE(hookCalls, 100 / PORT_WAIT_STEP_MS + 2) << "the waiting bytes woke every step";
}

TEST_F(PosixPortTest, BreakOfZeroMsDoesNotWait) {
  static int hookCalls;
  hookCalls = 0;
  const IdleHookFn saved = IdleHook;
  IdleHook = [](CSerialPort*) { return ++hookCalls, 0; };
  EXPECT_EQ(port->ops.SendBreak(port, 0), PORT_OK);
  IdleHook = saved;
  EXPECT_EQ(hookCalls, 0);
}

TEST_F(PosixPortTest, PtyHasNoModemLinesOrCounters) {
  EXPECT_EQ(port->ops.ModemStatus(port), 0);
  EXPECT_EQ(port->ops.LineStatus(port), 0);
  EXPECT_FALSE(port->driver->hasCounters);
  EXPECT_EQ(port->ops.ClearTx(port), PORT_OK);
  EXPECT_EQ(port->status, PORT_OK);
}

std::vector<std::string> dumped;
void Collect(const char* line) { dumped.emplace_back(line); }

TEST_F(PosixPortTest, DumpOfAFreshPort) {
  dumped.clear();
  EXPECT_EQ(port->ops.DumpStatus(port, Collect), PORT_OK);
  EXPECT_THAT(dumped,
              ::testing::ElementsAre(
                  "", "Port type:  MS Windows  DCB BaudRate: 9600    ByteSize: 8  Parity: 0",
                  "StopBits: 0 fBinary: 1  fRtsControl: 1",
                  "Parity: 0  OutCtsFlow: 0  OutDsrFlow: 0  DtrControl: 1  OutX: 0  InX: 0",
                  "Null: 0  DtrControl: 1  RtsControl: 1  XonChar: 11  XoffChar: 13",
                  "XonLim: 262   XoffLim: 262   EofChr: 00  EvtChr: 00",
                  "RX count/free:     0/1050   TX count/free:     0/1050   BREAK/FE/OE/PE: 0000",
                  "CE_BREAK:0  CE_FRAME:0  CE_MODE:0 CE_OVERRUN:0",
                  "CE_RXOVER:0 CE_RXPARITY:0 CE_TXFULL:0  CTS/DSR/RI/CD: 0000", "8250:0000"));
}

TEST_F(PosixPortTest, VanishedDeviceFailsEveryOperationWithoutHanging) {
  ASSERT_TRUE(pty.Write("ab"));
  ASSERT_TRUE(PtyPair::WaitForRx(port, 2));
  pty.CloseMaster();
  uint8_t buffer[4] = {};
  EXPECT_EQ(port->ops.GetBytes(port, buffer, 4), PORT_OK) << "what had arrived is handed out";
  EXPECT_EQ(port->count, 2u);
  EXPECT_EQ(port->ops.GetBytes(port, buffer, 4), PORT_NOT_FOUND);
  EXPECT_EQ(port->status, PORT_NOT_FOUND);
  port->ops.ClearStatus(port);
  EXPECT_EQ(port->ops.RxCount(port), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.TxCount(port), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.PutChar(port, 'x'), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.GetChar(port), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.ModemStatus(port), 0);
  EXPECT_EQ(port->ops.LineStatus(port), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.ClearTx(port), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.SendBreak(port, 10), PORT_NOT_FOUND);
  EXPECT_EQ(port->ops.SetXonXoff(port, 1), PORT_NOT_FOUND);
  EXPECT_EQ(port->status, PORT_NOT_FOUND);
  dumped.clear();
  EXPECT_EQ(port->ops.DumpStatus(port, Collect), PORT_OK);
  EXPECT_EQ(dumped.size(), 10u);
}

TEST(PosixOpenTest, MissingDevicesAreNotFound) {
  const std::pair<const char*, const char*> cases[] = {{"/dev/quon-no-such-port", "no such device"},
                                                       {"/dev/null", "not a serial device"},
                                                       {"", "no such device"}};
  for (const auto& [path, reason] : cases) {
    CSerialPort* port = OpenPortPath(path, 9600, 'N', 8, 1);
    EXPECT_EQ(port->status, PORT_NOT_FOUND) << path;
    EXPECT_EQ(LastOpenFailure(), reason);
    EXPECT_EQ(port->ops.GetChar(port), PORT_UNSUPPORTED) << "default table after a failed open";
    EXPECT_EQ(port->ops.ClosePort(port), PORT_OK);
  }
  EXPECT_EQ(FirstPort(), nullptr);
}

TEST(PosixOpenTest, IndexOpensTheDeviceTheSettingsNamed) {
  SetPortDevice(1, "");
  CSerialPort* port = OpenPort(1, 9600, 'N', 8, 1);
  EXPECT_EQ(port->status, PORT_NOT_FOUND);
  EXPECT_EQ(port->portIndex, 1);
  port->ops.ClosePort(port);

  PtyPair pty;
  SetPortDevice(1, pty.SlavePath());
  EXPECT_EQ(PortDevice(1), pty.SlavePath());
  port = OpenPort(1, 9600, 'N', 8, 1);
  EXPECT_EQ(port->status, PORT_OK);
  EXPECT_EQ(port->portIndex, 1);
  port->ops.ClosePort(port);
  SetPortDevice(1, "");
  EXPECT_EQ(PortDevice(1), "");
}

TEST(PosixOpenTest, BadStopBitsLeaveThePortOpenAndUsable) {
  PtyPair pty;
  CSerialPort* port = OpenPortPath(pty.SlavePath().c_str(), 19200, 'N', 8, 0);
  EXPECT_EQ(port->status, PORT_BAD_STOP_BITS);
  EXPECT_EQ(LastOpenFailure(), "stop bits not supported (1 or 2)");
  ASSERT_TRUE(pty.Write("z"));
  ASSERT_TRUE(PtyPair::WaitForRx(port, 1));
  EXPECT_EQ(port->ops.GetChar(port), 'z');
  const termios tio = SettingsOf(port);
  EXPECT_NE(cfgetospeed(&tio), static_cast<speed_t>(B19200))
      << "the prepared settings were not applied";
  port->ops.ClosePort(port);
}

TEST(PosixErrorTest, ErrnoMapsToPortCodes) {
  EXPECT_EQ(MapErrno(ENOENT), PORT_NOT_FOUND);
  EXPECT_EQ(MapErrno(ENODEV), PORT_NOT_FOUND);
  EXPECT_EQ(MapErrno(ENXIO), PORT_NOT_FOUND);
  EXPECT_EQ(MapErrno(EBUSY), PORT_IN_USE);
  EXPECT_EQ(MapErrno(EWOULDBLOCK), PORT_IN_USE);
  EXPECT_EQ(MapErrno(ENOMEM), PORT_NO_MEMORY);
  EXPECT_EQ(MapErrno(EBADF), PORT_BAD_ID);
  EXPECT_EQ(MapErrno(EIO), PORT_FAILED);
  errno = ENOENT;
  EXPECT_EQ(MapCommError(), PORT_NOT_FOUND);
}

TEST(PosixErrorTest, PermissionDeniedIsInUseWithTheDialoutHint) {
  for (int error : {EACCES, EPERM}) {
    EXPECT_EQ(MapOpenErrno(error), PORT_IN_USE);
    EXPECT_EQ(LastOpenFailure(),
              "permission denied (add your user to the 'dialout' group: sudo usermod -aG dialout "
              "$USER, then log in again)");
  }
}

}  // namespace
}  // namespace serial
