#include "ui/console_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include "host/event_wait.h"
#include "host/tests/asleep_linux.h"

namespace {

// quon-server's waits sleep until something happens; SIGINT or SIGTERM is such a thing.
TEST(ConsoleBackendTest, AnInterruptEndsAWaitAtOnce) {
  using namespace std::chrono;
  std::ostringstream messages;
  ui::ConsoleBackend console(messages);
  ui::ScopedBackend installed(console);
  console.CatchInterrupts();
  // Once the wait sleeps: an interrupt that came before it ends it without waking anything.
  std::thread user([waiter = host::testing::ThisThread()] {
    EXPECT_TRUE(host::testing::WaitUntilAsleep(waiter));
    std::raise(SIGINT);
  });
  const steady_clock::time_point start = steady_clock::now();
  host::WaitForEvents(host::kNoWaitHandle, 10000);
  const steady_clock::duration waited = steady_clock::now() - start;
  user.join();
  EXPECT_LT(waited, 5s);
  // Taken like any input: the next wait sleeps its time again.
  ui::DispatchPendingMessages();
  const steady_clock::time_point again = steady_clock::now();
  host::WaitForEvents(host::kNoWaitHandle, 50);
  EXPECT_GE(steady_clock::now() - again, 45ms);
}

}  // namespace
