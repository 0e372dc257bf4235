#include <windows.h>

#include <ctime>

#include "host/system_clock.h"

namespace host {
namespace {

class WindowsClock final : public Clock {
 public:
  uint32_t TickCount() override { return GetTickCount(); }
  int64_t CalendarSeconds() override { return static_cast<int64_t>(std::time(nullptr)); }
  void SleepMs(uint32_t ms) override { Sleep(ms); }
};

}  // namespace

Clock& SystemClock() {
  static WindowsClock clock;
  return clock;
}

}  // namespace host
