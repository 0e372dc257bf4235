#pragma once
// The one way the tests wait for a state that another thread, process or the kernel brings
// about: looked at each millisecond, with a deadline that only ends a test that would hang.

#include <chrono>
#include <thread>

namespace host::testing {

// Whether done() came to hold before timeoutMs passed.
template <typename Done>
bool WaitUntil(Done&& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace host::testing
