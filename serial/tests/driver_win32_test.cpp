// The Windows driver on a real COM device: under Wine, COM1 and COM2 are pseudo-terminals joined
// by a null-modem relay, so what one port writes the other reads.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "serial/driver_state.h"
#include "serial/port_object.h"
#include "serial/serial_port.h"

namespace {

// A port number that no device answers to, far above the ones the prefix maps.
constexpr int32_t kMissingIndex = 199;

// Waits, in real time, until the relay has delivered count bytes.
bool WaitForBytes(CSerialPort* port, int32_t count) {
  for (int tries = 0; tries < 600; ++tries) {
    if (port->ops.RxCount(port) >= count) return true;
    Sleep(5);
  }
  return false;
}

DCB DeviceState(CSerialPort* port) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(port->driver->handle, &dcb);
  return dcb;
}

class Win32DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a_ = OpenPort(0, 9600, 'N', 8, 1);
    b_ = OpenPort(1, 9600, 'N', 8, 1);
    ASSERT_EQ(a_->status, PORT_OK);
    ASSERT_EQ(b_->status, PORT_OK);
    Drain(a_);
    Drain(b_);
  }
  void TearDown() override {
    if (b_) b_->ops.ClosePort(b_);
    if (a_) a_->ops.ClosePort(a_);
    EXPECT_EQ(FirstPort(), nullptr);
  }

  // Whatever an earlier test left on the line.
  static void Drain(CSerialPort* port) {
    Sleep(20);
    uint8_t scrap[256];
    while (port->ops.RxCount(port) > 0) port->ops.GetBytes(port, scrap, sizeof scrap);
  }

  std::vector<uint8_t> Receive(CSerialPort* port, int32_t count) {
    EXPECT_TRUE(WaitForBytes(port, count));
    std::vector<uint8_t> bytes(static_cast<size_t>(count) + 8);
    EXPECT_EQ(port->ops.GetBytes(port, bytes.data(), static_cast<uint32_t>(bytes.size())), PORT_OK);
    bytes.resize(port->count);
    return bytes;
  }

  CSerialPort* a_ = nullptr;
  CSerialPort* b_ = nullptr;
};

TEST_F(Win32DriverTest, OpenPreparesTheLineAndIndexNamesThePort) {
  EXPECT_EQ(a_->portIndex, 0);
  EXPECT_EQ(b_->portIndex, 1);
  const DCB device = DeviceState(a_);
  EXPECT_EQ(device.BaudRate, 9600u);
  EXPECT_EQ(device.ByteSize, 8);
  EXPECT_EQ(device.Parity, NOPARITY);
  EXPECT_EQ(device.StopBits, ONESTOPBIT);
  const DCB& copy = a_->driver->dcb;
  EXPECT_EQ(copy.fBinary, 1u);
  EXPECT_EQ(copy.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
  EXPECT_EQ(copy.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
  EXPECT_EQ(copy.XonChar, 0x11);
  EXPECT_EQ(copy.XoffChar, 0x13);
  EXPECT_EQ(copy.XonLim, 262);
  EXPECT_EQ(copy.XoffLim, 262);
  COMMTIMEOUTS timeouts{};
  ASSERT_TRUE(GetCommTimeouts(a_->driver->handle, &timeouts));
  EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 0u);
}

TEST_F(Win32DriverTest, BytesCrossTheLineExactlyAndReadsTakeWhatIsWaiting) {
  const uint8_t sent[] = {'h', 'e', 'l', 'l', 'o', 0x00, 0xFF};
  ASSERT_EQ(a_->ops.PutBytes(a_, sent, sizeof sent), PORT_OK);
  EXPECT_EQ(a_->count, sizeof sent);
  EXPECT_EQ(Receive(b_, sizeof sent), std::vector<uint8_t>(sent, sent + sizeof sent));

  ASSERT_EQ(b_->ops.PutChar(b_, 0xFF), PORT_OK);
  ASSERT_TRUE(WaitForBytes(a_, 1));
  EXPECT_EQ(a_->ops.RxFree(a_), PORT_QUEUE_SIZE - 1);
  EXPECT_EQ(a_->ops.GetChar(a_), 255);
}

// Waits sleep on the device's event for a received character. Where the device cancels that
// wait instead (Wine on a pseudo-terminal), one wait ends early (the first, or on a loaded
// machine the one after it) and the rest sleep their time; a wait that kept ending early would
// keep a core busy.
TEST_F(Win32DriverTest, WaitsWithNothingArrivingSleepTheirTime) {
  using namespace std::chrono;
  int early = 0;
  for (int i = 0; i < 5; ++i) {
    const steady_clock::time_point start = steady_clock::now();
    WaitForPortEvent(a_, 50);
    early += steady_clock::now() - start < 45ms;
  }
  EXPECT_LE(early, 1);
  ASSERT_EQ(b_->ops.PutChar(b_, 'a'), PORT_OK);
  ASSERT_TRUE(WaitForBytes(a_, 1));
  EXPECT_EQ(a_->ops.GetChar(a_), 'a');
}

TEST_F(Win32DriverTest, EmptyReadsAndEmptyWritesChangeNothing) {
  b_->status = PORT_TX_FULL;
  uint8_t buffer[4];
  EXPECT_EQ(b_->ops.GetBytes(b_, buffer, sizeof buffer), PORT_RX_EMPTY);
  EXPECT_EQ(b_->count, 0u);
  EXPECT_EQ(b_->ops.GetChar(b_), PORT_RX_EMPTY);
  EXPECT_EQ(b_->status, PORT_TX_FULL);

  EXPECT_EQ(a_->ops.PutBytes(a_, buffer, 0), PORT_OK);
  EXPECT_EQ(a_->count, 0u);
  EXPECT_EQ(a_->status, PORT_OK);
}

TEST_F(Win32DriverTest, WritesTakeNoMoreThanTheQueueAndTheRestFollowsLater) {
  std::vector<uint8_t> block(1200);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
  EXPECT_EQ(a_->ops.PutBytes(a_, block.data(), 1200), PORT_TX_FULL);
  EXPECT_EQ(a_->count, 1050u);
  EXPECT_EQ(a_->status, PORT_TX_FULL);
  std::vector<uint8_t> received = Receive(b_, 1050);

  // A later success leaves the sticky status alone; only ClearStatus resets it.
  EXPECT_EQ(a_->ops.PutBytes(a_, block.data() + 1050, 150), PORT_OK);
  EXPECT_EQ(a_->ops.SetXonXoff(a_, 0), PORT_OK);
  EXPECT_EQ(a_->status, PORT_TX_FULL);
  a_->ops.ClearStatus(a_);
  EXPECT_EQ(a_->status, PORT_OK);

  std::vector<uint8_t> rest = Receive(b_, 150);
  received.insert(received.end(), rest.begin(), rest.end());
  EXPECT_EQ(received, block);
}

TEST_F(Win32DriverTest, LineParametersAreCheckedBeforeAnythingIsApplied) {
  EXPECT_EQ(a_->ops.SetLineParams(a_, 115200, 'e', 7, 2), PORT_OK);
  DCB device = DeviceState(a_);
  EXPECT_EQ(device.BaudRate, 115200u);
  EXPECT_EQ(device.StopBits, TWOSTOPBITS);
  // A pseudo-terminal keeps its own character size and parity; the copy holds what was asked.
  EXPECT_EQ(a_->driver->dcb.ByteSize, 7);
  EXPECT_EQ(a_->driver->dcb.Parity, EVENPARITY);

  EXPECT_EQ(a_->ops.SetLineParams(a_, 115201, 'N', 8, 1), PORT_BAD_BAUD);
  EXPECT_EQ(a_->ops.SetLineParams(a_, 9600, 'X', 8, 1), PORT_BAD_PARITY);
  EXPECT_EQ(a_->ops.SetLineParams(a_, 9600, 'N', 8, 0), PORT_BAD_STOP_BITS);
  EXPECT_EQ(a_->status, PORT_BAD_STOP_BITS);
  device = DeviceState(a_);
  EXPECT_EQ(device.BaudRate, 115200u);
  EXPECT_EQ(device.StopBits, TWOSTOPBITS);

  // The device stays usable with its earlier settings.
  ASSERT_EQ(a_->ops.PutChar(a_, 'x'), PORT_OK);
  EXPECT_EQ(Receive(b_, 1), std::vector<uint8_t>{'x'});
}

TEST_F(Win32DriverTest, BadLineParametersAtOpenLeaveThePortOpenWithTheirCode) {
  b_->ops.ClosePort(b_);
  b_ = OpenPort(1, 9600, 'N', 8, 0);
  EXPECT_EQ(b_->status, PORT_BAD_STOP_BITS);
  EXPECT_EQ(LastOpenFailure(), "stop bits not supported (1 or 2)");
  EXPECT_NE(b_->ops.GetChar, DefaultOperations().GetChar);
  ASSERT_EQ(a_->ops.PutChar(a_, 'y'), PORT_OK);
  EXPECT_EQ(Receive(b_, 1), std::vector<uint8_t>{'y'});

  b_->ops.ClosePort(b_);
  b_ = OpenPort(1, 9600, 'N', 264, 1);
  EXPECT_EQ(b_->status, PORT_BAD_DATA_BITS) << "not opened as its low byte, 8";
  EXPECT_EQ(LastOpenFailure(), "data bits 264 not supported");
}

TEST_F(Win32DriverTest, LineQueriesOnAPseudoTerminal) {
  // The modem lines cannot be read from a pseudo-terminal: that answers no lines at all.
  EXPECT_EQ(a_->ops.ModemStatus(a_), 0);
  EXPECT_EQ(a_->ops.LineStatus(a_), 0);
  EXPECT_EQ(a_->ops.ClearLineStatus(a_), PORT_OK);
  EXPECT_EQ(a_->ops.ClearTx(a_), PORT_OK);
  EXPECT_EQ(a_->ops.TxCount(a_), 0);
  EXPECT_EQ(a_->ops.TxFree(a_), PORT_QUEUE_SIZE);
  EXPECT_EQ(a_->ops.SetRtsCts(a_, 0), PORT_OK);
  EXPECT_EQ(a_->ops.SetDtrDsr(a_, 0), PORT_OK);
  EXPECT_EQ(a_->ops.SetDtr(a_, 1), PORT_OK);
  EXPECT_EQ(a_->ops.SetRts(a_, 1), PORT_OK);
  EXPECT_EQ(a_->status, PORT_OK);
}

TEST_F(Win32DriverTest, ZeroLengthBreakNeverCallsTheIdleHook) {
  static int calls;
  calls = 0;
  IdleHookFn saved = IdleHook;
  IdleHook = [](CSerialPort*) -> int32_t {
    ++calls;
    return -1;
  };
  EXPECT_EQ(a_->ops.SendBreak(a_, 0), PORT_OK);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(a_->ops.SendBreak(a_, 50), PORT_OK);
  EXPECT_EQ(calls, 1);
  IdleHook = saved;
}

TEST_F(Win32DriverTest, DumpShowsTheFreshPort) {
  static std::vector<std::string> lines;
  lines.clear();
  EXPECT_EQ(a_->ops.DumpStatus(a_, [](const char* line) { lines.emplace_back(line); }), PORT_OK);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[1], "Port type:  MS Windows  DCB BaudRate: 9600    ByteSize: 8  Parity: 0");
  EXPECT_EQ(lines[2], "StopBits: 0 fBinary: 1  fRtsControl: 1");
  EXPECT_EQ(lines[5], "XonLim: 262   XoffLim: 262   EofChr: 00  EvtChr: 00");
  EXPECT_EQ(lines[6],
            "RX count/free:     0/1050   TX count/free:     0/1050   BREAK/FE/OE/PE: 0000");
  EXPECT_EQ(lines[9], "8250:0000");
}

TEST_F(Win32DriverTest, PortsByNameAndMissingPorts) {
  b_->ops.ClosePort(b_);
  b_ = OpenPortPath("com2", 9600, 'N', 8, 1);
  EXPECT_EQ(b_->status, PORT_OK);
  EXPECT_EQ(b_->portIndex, 1);

  CSerialPort* missing = OpenPort(kMissingIndex, 9600, 'N', 8, 1);
  EXPECT_EQ(missing->status, PORT_NOT_FOUND);
  EXPECT_EQ(LastOpenFailure(), "no such device");
  EXPECT_EQ(missing->ops.GetChar, DefaultOperations().GetChar);
  EXPECT_EQ(missing->ops.ClosePort(missing), PORT_OK);

  // The device an index stands for, by any spelling of its COM name.
  b_->ops.ClosePort(b_);
  SetPortDevice(kMissingIndex, "\\\\.\\cOm2");
  b_ = OpenPort(kMissingIndex, 9600, 'N', 8, 1);
  SetPortDevice(kMissingIndex, "");
  EXPECT_EQ(b_->status, PORT_OK);
  EXPECT_EQ(LastOpenFailure(), "");

  missing = OpenPortPath("\\\\.\\NoSuchDevice", 9600, 'N', 8, 1);
  EXPECT_EQ(missing->status, PORT_NOT_FOUND);
  EXPECT_EQ(missing->portIndex, -1);
  missing->ops.ClosePort(missing);
}

TEST(Win32ErrorTest, OpenFailuresSayWhyInWords) {
  CSerialPort* port = OpenPortPath("\\\\.\\NoSuchDevice", 9600, 'N', 8, 1);
  EXPECT_EQ(LastOpenFailure(), "no such device");
  port->ops.ClosePort(port);
  // Any other error in the system's own words.
  port = OpenPortPath("\\\\.\\bad<name>", 9600, 'N', 8, 1);
  EXPECT_NE(port->status, PORT_OK);
  EXPECT_NE(LastOpenFailure(), "");
  EXPECT_NE(LastOpenFailure(), "no such device");
  port->ops.ClosePort(port);
}

TEST(Win32ErrorTest, PlatformErrorsMapToPortCodes) {
  const struct {
    int32_t error;
    int32_t status;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, PORT_NOT_FOUND},
      {ERROR_PATH_NOT_FOUND, PORT_NOT_FOUND},
      {IE_HARDWARE, PORT_NOT_FOUND},
      {ERROR_ACCESS_DENIED, PORT_IN_USE},
      {IE_OPEN, PORT_IN_USE},
      {IE_BAUDRATE, PORT_BAD_BAUD},
      {IE_BYTESIZE, PORT_BAD_DATA_BITS},
      {IE_MEMORY, PORT_NO_MEMORY},
      {IE_BADID, PORT_BAD_ID},
      {ERROR_GEN_FAILURE, PORT_FAILED},
      {0, PORT_FAILED},
  };
  for (const auto& c : cases) {
    SetLastError(static_cast<DWORD>(c.error));
    EXPECT_EQ(MapCommError(), c.status) << "error " << c.error;
  }
}

}  // namespace
