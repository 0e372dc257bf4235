#pragma once
// For tests that wake a wait from elsewhere: they wait until the waiting thread or process
// sleeps in the kernel, rather than for a time that a busy machine may outrun. Reads /proc.

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>

#include "host/tests/wait_until.h"

namespace host::testing {

inline pid_t ThisThread() { return static_cast<pid_t>(syscall(SYS_gettid)); }

// Whether the thread or process ID sleeps (state S: a poll, a sleep, a read with nothing to
// take).
inline bool Asleep(pid_t id) {
  std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
  const std::string text{std::istreambuf_iterator<char>(stat), {}};
  const size_t end = text.rfind(')');
  return end != std::string::npos && text.compare(end, 4, ") S ") == 0;
}

// Waits until ID sleeps; false after the deadline, which only ends a hung test.
inline bool WaitUntilAsleep(pid_t id,
                            std::chrono::milliseconds deadline = std::chrono::seconds(30)) {
  return WaitUntil([id] { return Asleep(id); }, static_cast<int>(deadline.count()));
}

}  // namespace host::testing
