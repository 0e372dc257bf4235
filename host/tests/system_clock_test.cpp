#include "host/system_clock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// The platform's tick count may move in steps of about 16 ms, hence the loose bounds.
TEST(SystemClock, SleepMovesTheTickCount) {
  host::Clock& clock = host::SystemClock();
  uint32_t start = clock.TickCount();
  clock.SleepMs(100);
  uint32_t elapsed = clock.TickCount() - start;
  EXPECT_GE(elapsed, 60u);
  EXPECT_LT(elapsed, 10'000u);
}

TEST(SystemClock, CalendarSecondsAreTheCalendarTime) {
  EXPECT_NEAR(static_cast<double>(host::SystemClock().CalendarSeconds()),
              static_cast<double>(std::time(nullptr)), 2.0);
}

}  // namespace
