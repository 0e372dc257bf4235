#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "serial/memory_line.h"
#include "serial/port_object.h"

namespace serial {
namespace {

TEST(PortObjectTest, DefaultTableStoresAndAnswersUnsupported) {
  CSerialPort* port = NewPortObject();
  ASSERT_EQ(FirstPort(), port);
  EXPECT_EQ(port->driver, nullptr);
  EXPECT_EQ(port->status, PORT_OK);
  uint8_t byte = 0;
  using Probe = int32_t (*)(CSerialPort*);
  const Probe probes[] = {
      port->ops.GetChar,    port->ops.Reserved2,       port->ops.TxFree,     port->ops.TxCount,
      port->ops.RxFree,     port->ops.RxCount,         port->ops.ClearTx,    port->ops.ModemStatus,
      port->ops.LineStatus, port->ops.ClearLineStatus, port->ops.Reserved23,
  };
  for (Probe probe : probes) {
    port->status = PORT_OK;
    EXPECT_EQ(probe(port), PORT_UNSUPPORTED);
    EXPECT_EQ(port->status, PORT_UNSUPPORTED);
  }
  EXPECT_EQ(port->ops.PutChar(port, 1), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.PutBytes(port, &byte, 1), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.GetBytes(port, &byte, 1), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.SetLineParams(port, 9600, 'N', 8, 1), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.SetXonXoff(port, 1), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.SetRtsCts(port, 1), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.SetDtrDsr(port, 1), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.SetDtr(port, 1), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.SetRts(port, 1), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.SendBreak(port, 10), PORT_UNSUPPORTED);
  EXPECT_EQ(port->ops.ClearStatus(port), PORT_OK);
  EXPECT_EQ(port->status, PORT_OK);
  EXPECT_EQ(port->ops.ClosePort(port), PORT_OK);
  EXPECT_EQ(FirstPort(), nullptr);
}

TEST(PortObjectTest, ListIsNewestFirstAndClosingUnlinksFromAnywhere) {
  CSerialPort* first = NewPortObject();
  CSerialPort* second = NewPortObject();
  CSerialPort* third = NewPortObject();
  EXPECT_EQ(FirstPort(), third);
  EXPECT_EQ(third->next, second);
  EXPECT_EQ(second->next, first);
  second->ops.ClosePort(second);
  EXPECT_EQ(third->next, first);
  third->ops.ClosePort(third);
  EXPECT_EQ(FirstPort(), first);
  first->ops.ClosePort(first);
  EXPECT_EQ(FirstPort(), nullptr);
}

TEST(PortObjectTest, CloseAllPortsClosesEveryDriverAndEmptiesTheList) {
  MemoryLine line;
  line.OpenPort(kEndA);
  NewPortObject();
  line.OpenPort(kEndB);
  ASSERT_TRUE(line.End(kEndA).Dtr());
  CloseAllPorts();
  EXPECT_EQ(FirstPort(), nullptr);
  EXPECT_FALSE(line.End(kEndA).IsOpen());
  EXPECT_FALSE(line.End(kEndA).Dtr());
  EXPECT_FALSE(line.End(kEndA).Rts());
  EXPECT_FALSE(line.End(kEndB).Dtr());
}

// Runs in a child process of its own: the line must outlive the at-exit closer, so it is
// created before the first port object registers the closer.
[[noreturn]] void ExitWithAnOpenPort() {
  static MemoryLine line;
  line.SetControlObserver([](LineSide side) {
    const MemoryEnd& end = line.End(side);
    std::fprintf(stderr, "DTR=%d RTS=%d open=%d\n", end.Dtr(), end.Rts(), end.IsOpen());
  });
  line.OpenPort(kEndA);
  std::exit(0);
}

TEST(PortObjectDeathTest, AtExitCloserDropsDtrAndRtsOfForgottenPorts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ExitWithAnOpenPort(), ::testing::ExitedWithCode(0),
              "DTR=0 RTS=1 open=1\nDTR=0 RTS=0 open=1\n");
}

}  // namespace
}  // namespace serial
