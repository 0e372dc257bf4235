#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/fake_clock.h"
#include "serial/memory_line.h"
#include "serial/port_object.h"

namespace serial {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> dumped;
void Collect(const char* line) { dumped.emplace_back(line); }

std::vector<std::string> Dump(CSerialPort* port, int32_t expected = PORT_OK) {
  dumped.clear();
  EXPECT_EQ(port->ops.DumpStatus(port, Collect), expected);
  return dumped;
}

class StatusDumpTest : public ::testing::Test {
 protected:
  void SetUp() override { port = line.OpenPort(kEndA, 9600, 'N', 8, 1); }
  void TearDown() override { port->ops.ClosePort(port); }

  host::FakeClock clock;
  host::ScopedClock useClock{clock};
  MemoryLine line;
  CSerialPort* port = nullptr;
};

TEST_F(StatusDumpTest, FreshPortGivesTheTenLines) {
  line.End(kEndA).SetModemInputs(0);
  EXPECT_THAT(
      Dump(port),
      ElementsAre("", "Port type:  MS Windows  DCB BaudRate: 9600    ByteSize: 8  Parity: 0",
                  "StopBits: 0 fBinary: 1  fRtsControl: 1",
                  "Parity: 0  OutCtsFlow: 0  OutDsrFlow: 0  DtrControl: 1  OutX: 0  InX: 0",
                  "Null: 0  DtrControl: 1  RtsControl: 1  XonChar: 11  XoffChar: 13",
                  "XonLim: 262   XoffLim: 262   EofChr: 00  EvtChr: 00",
                  "RX count/free:     0/1050   TX count/free:     0/1050   BREAK/FE/OE/PE: 0000",
                  "CE_BREAK:0  CE_FRAME:0  CE_MODE:0 CE_OVERRUN:0",
                  "CE_RXOVER:0 CE_RXPARITY:0 CE_TXFULL:0  CTS/DSR/RI/CD: 0000", "8250:0000"));
}

TEST_F(StatusDumpTest, CountsErrorsAndModemLinesAppearAndErrorsStay) {
  line.End(kEndB).Write({1, 2, 3});
  line.End(kEndA).SetOutputHeld(true);
  port->ops.PutBytes(port, reinterpret_cast<const uint8_t*>("12345"), 5);
  line.End(kEndA).RaiseLineErrors(CE_FRAME | CE_RXOVER | CE_TXFULL | CE_MODE);
  for (int dump = 0; dump < 2; ++dump) {
    const auto lines = Dump(port);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[6],
              "RX count/free:     3/1047   TX count/free:     5/1045   BREAK/FE/OE/PE: 0100");
    EXPECT_EQ(lines[7], "CE_BREAK:0  CE_FRAME:1  CE_MODE:1 CE_OVERRUN:0");
    EXPECT_EQ(lines[8], "CE_RXOVER:1 CE_RXPARITY:0 CE_TXFULL:1  CTS/DSR/RI/CD: 1101");
  }
  port->ops.ClearLineStatus(port);
  EXPECT_EQ(Dump(port)[7], "CE_BREAK:0  CE_FRAME:0  CE_MODE:0 CE_OVERRUN:0");
}

TEST_F(StatusDumpTest, SettingsShowAsTheDcbHoldsThem) {
  port->ops.SetLineParams(port, 115200, 'S', 7, 2);
  port->ops.SetXonXoff(port, 1);
  port->ops.SetRtsCts(port, 1);
  const auto lines = Dump(port);
  EXPECT_EQ(lines[1], "Port type:  MS Windows  DCB BaudRate: 115200  ByteSize: 7  Parity: 4");
  EXPECT_EQ(lines[2], "StopBits: 2 fBinary: 1  fRtsControl: 2");
  EXPECT_EQ(lines[3], "Parity: 0  OutCtsFlow: 1  OutDsrFlow: 0  DtrControl: 1  OutX: 1  InX: 1");
}

TEST_F(StatusDumpTest, QueriesOfAGoneDeviceSayTheyWereNotRead) {
  line.End(kEndA).Unplug();
  const auto lines = Dump(port);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[6],
            "RX count/free: not read (no such device)  TX count/free: not read (no such device)  "
            "BREAK/FE/OE/PE: not read (no such device)");
}

TEST(DefaultDumpTest, FailedOpenGivesTheNoticeAndUnsupported) {
  MemoryLine line;
  line.End(kEndA).Unplug();
  CSerialPort* port = line.OpenPort(kEndA);
  ASSERT_EQ(port->status, PORT_NOT_FOUND);
  EXPECT_THAT(Dump(port, PORT_UNSUPPORTED),
              ElementsAre("Port dump not supported for this driver", ""));
  EXPECT_EQ(port->status, PORT_UNSUPPORTED);
  port->ops.ClosePort(port);
}

}  // namespace
}  // namespace serial
