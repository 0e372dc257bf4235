#include <windows.h>

#include <ctime>

#include "host/system_clock.h"

namespace host {
namespace {

// The default timer resolution of about 16 ms would stretch every short sleep and wait (the
// 10 ms byte pacing came out at 16 ms), and the tick count would step by as much: we ask for
// 1 ms for the life of the process and read the multimedia tick, which follows it.
class WindowsClock final : public Clock {
 public:
  WindowsClock() { timeBeginPeriod(1); }
  ~WindowsClock() override { timeEndPeriod(1); }
  uint32_t TickCount() override { return timeGetTime(); }
  int64_t CalendarSeconds() override { return static_cast<int64_t>(std::time(nullptr)); }
  void SleepMs(uint32_t ms) override { Sleep(ms); }
};

}  // namespace

Clock& SystemClock() {
  static WindowsClock clock;
  return clock;
}

}  // namespace host
