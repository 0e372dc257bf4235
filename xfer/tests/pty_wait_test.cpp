#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "serial/pty_pair.h"
#include "xfer/engine.h"

namespace {

// In real time on a pseudo-terminal with nothing being written: the wait sleeps until the byte
// arrives, in one step rather than many short ones, and the byte's arrival ends it. A wait that
// polled in slices would wake up to a slice (1 s) late; a loaded machine may wake it some tens of
// milliseconds late.
TEST(RealLineWaitTest, AByteOnAPseudoTerminalWakesAWaitingReadCharTimed) {
  using namespace std::chrono;
  serial::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  CSerialPort* port = OpenPortPath(pty.SlavePath().c_str(), 115200, 'N', 8, 1);
  ASSERT_EQ(port->status, PORT_OK);
  static int hookCalls;
  hookCalls = 0;
  const IdleHookFn saved = IdleHook;
  IdleHook = [](CSerialPort*) { return ++hookCalls, 0; };
  steady_clock::time_point sent;
  std::thread device([&] {
    std::this_thread::sleep_for(300ms);
    sent = steady_clock::now();
    pty.Write("k");
  });
  EXPECT_EQ(xfer::ReadCharTimed(port, 10000), 'k');
  const steady_clock::time_point woke = steady_clock::now();
  device.join();
  IdleHook = saved;
  EXPECT_LT(woke - sent, 250ms);
  EXPECT_LE(hookCalls, 2);
  port->ops.ClosePort(port);
}

}  // namespace
