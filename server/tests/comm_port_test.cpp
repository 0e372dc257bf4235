#include "server/comm_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/settings.h"
#include "host/fake_clock.h"
#include "serial/memory_line.h"
#include "serial/serial_port.h"
#include "server/log_lines.h"
#include "ui/headless_backend.h"
#include "ui/message_box.h"

namespace {

using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::StartsWith;

class CommPortTest : public ::testing::Test {
 protected:
  CommPortTest() {
    g_CommSettings = CommSettings();
    SetPortOpener(
        [this](int32_t index, int32_t baud, uint8_t parity, int32_t dataBits, int32_t stopBits) {
          lastIndex = index;
          return line.OpenPort(serial::kEndA, baud, parity, dataBits, stopBits);
        });
  }
  ~CommPortTest() override { SetPortOpener({}); }

  host::FakeClock clock;
  host::ScopedClock useClock{clock};
  ui::HeadlessBackend backend{clock};
  ui::ScopedBackend useBackend{backend};
  serial::MemoryLine line;
  int32_t lastIndex = -1;
};

TEST_F(CommPortTest, NumericCopiesAreDerivedAtEachOpening) {
  struct Case {
    const char* port;
    const char* stopbits;
    int32_t index;
    int32_t stopCode;
  };
  for (const Case& c : {Case{"COMM 1", "1", 0, 1}, Case{"comm 1", "2", 1, 2},
                        Case{"COMM 2", "1", 1, 1}, Case{"COMM 1 ", "3", 1, 2}}) {
    g_CommSettings.port = c.port;
    g_CommSettings.stopbits = c.stopbits;
    g_CommSettings.parity = "Even";
    g_CommSettings.baud = 19200;
    g_CommSettings.length = 7;
    ASSERT_TRUE(g_CommSettings.OpenCommPort()) << c.port;
    EXPECT_EQ(lastIndex, c.index) << c.port;
    EXPECT_EQ(g_CommSettings.portIndex, c.index);
    EXPECT_EQ(g_CommSettings.stopBitsCode, c.stopCode);
    EXPECT_EQ(g_CommSettings.parityLetter, 'E');
    EXPECT_EQ(g_CommSettings.baudRate, 19200);
    EXPECT_EQ(g_CommSettings.dataLength, 7);
    EXPECT_EQ(line.End(serial::kEndA).AppliedDcb().BaudRate, 19200u);
    EXPECT_TRUE(g_CommSettings.CloseCommPort());
  }
  EXPECT_TRUE(backend.MessageBoxes().empty());
}

TEST_F(CommPortTest, OneAndAHalfStopBitsNeverOpens) {
  g_CommSettings.stopbits = "1.5";
  EXPECT_FALSE(g_CommSettings.OpenCommPort());
  EXPECT_EQ(g_CommSettings.stopBitsCode, 0);
  EXPECT_EQ(g_CommPort, nullptr);
  EXPECT_FALSE(line.End(serial::kEndA).IsOpen());
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  EXPECT_THAT(backend.MessageBoxes()[0].text,
              AllOf(StartsWith(kLogCantOpenSerialPort),
                    EndsWith(" (COMM 1): stop bits not supported (1 or 2)")));
}

TEST_F(CommPortTest, DataLengthBeyondAByteFailsWithItsOwnCode) {
  g_CommSettings.length = 264;
  int32_t status = PORT_OK;
  SetPortOpener([&](int32_t, int32_t baud, uint8_t parity, int32_t dataBits, int32_t stopBits) {
    CSerialPort* port = line.OpenPort(serial::kEndA, baud, parity, dataBits, stopBits);
    status = port->status;
    return port;
  });
  EXPECT_FALSE(g_CommSettings.OpenCommPort());
  EXPECT_EQ(status, PORT_BAD_DATA_BITS) << "not opened as its low byte, 8";
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  EXPECT_THAT(backend.MessageBoxes()[0].text, EndsWith(" (COMM 1): data bits 264 not supported"));
}

TEST_F(CommPortTest, BytesArePacedTenMillisecondsApart) {
  ASSERT_TRUE(g_CommSettings.OpenCommPort());
  const uint64_t start = clock.ElapsedMs();
  const uint8_t bytes[] = {0x02, 0xB8, 0x03, 0x00};
  EXPECT_TRUE(g_CommSettings.SendBytesPaced(bytes));
  EXPECT_EQ(clock.ElapsedMs() - start, 40u);
  EXPECT_EQ(line.End(serial::kEndB).ReadAll(), (std::vector<uint8_t>{0x02, 0xB8, 0x03, 0x00}));
  g_CommSettings.CloseCommPort();
}

TEST_F(CommPortTest, CloseWaitsAboutTwoSecondsForOutputThatDoesNotDrain) {
  ASSERT_TRUE(g_CommSettings.OpenCommPort());
  line.End(serial::kEndA).SetOutputHeld(true);
  g_CommPort->ops.PutChar(g_CommPort, 0x55);
  const uint64_t start = clock.ElapsedMs();
  EXPECT_TRUE(g_CommSettings.CloseCommPort());
  const uint64_t took = clock.ElapsedMs() - start;
  EXPECT_GE(took, 1200u);
  EXPECT_LE(took, 2300u);
  EXPECT_FALSE(line.End(serial::kEndA).IsOpen());
}

}  // namespace
