#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "host/tests/asleep_linux.h"
#include "serial/pty_pair.h"
#include "xfer/engine.h"

namespace {

// In real time on a pseudo-terminal with nothing being written: the wait sleeps until the byte
// arrives, in one step rather than many short ones, and the byte's arrival ends it. The byte is
// sent once the wait sleeps. A wait that polled in slices would wake up to a slice (1 s) late in
// every round; a busy machine may wake one round late, so the least of the rounds counts.
TEST(RealLineWaitTest, AByteOnAPseudoTerminalWakesAWaitingReadCharTimed) {
  using namespace std::chrono;
  serial::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  CSerialPort* port = OpenPortPath(pty.SlavePath().c_str(), 115200, 'N', 8, 1);
  ASSERT_EQ(port->status, PORT_OK);
  static int hookCalls;
  const IdleHookFn saved = IdleHook;
  IdleHook = [](CSerialPort*) { return ++hookCalls, 0; };
  const pid_t reader = host::testing::ThisThread();
  steady_clock::duration least = steady_clock::duration::max();
  for (int round = 0; round < 3; ++round) {
    hookCalls = 0;
    steady_clock::time_point sent;
    std::thread device([&] {
      host::testing::WaitUntilAsleep(reader);
      sent = steady_clock::now();
      pty.Write("k");
    });
    EXPECT_EQ(xfer::ReadCharTimed(port, 10000), 'k');
    const steady_clock::time_point woke = steady_clock::now();
    device.join();
    least = std::min(least, woke - sent);
    EXPECT_LE(hookCalls, 2) << "round " << round;
  }
  IdleHook = saved;
  EXPECT_LT(least, 250ms);
  port->ops.ClosePort(port);
}

}  // namespace
