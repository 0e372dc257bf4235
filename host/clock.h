#pragma once
// The platform's clocks behind one seam, so that tests can run 30-second time-outs on a fake
// clock in milliseconds of real time.

#include <cstdint>

namespace host {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps at 2^32 like the platform's tick count.
  virtual uint32_t TickCount() = 0;
  // Calendar time in whole seconds.
  virtual int64_t CalendarSeconds() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
};

// The clock every caller uses; the system clock unless a test installed another.
Clock& CurrentClock();
// Installs clock for the whole process; nullptr goes back to the system clock.
void SetClock(Clock* clock);

inline uint32_t TickCount() { return CurrentClock().TickCount(); }
inline int64_t CalendarSeconds() { return CurrentClock().CalendarSeconds(); }
inline void SleepMs(uint32_t ms) { CurrentClock().SleepMs(ms); }

// Milliseconds from start to now, correct across the wrap of the tick count.
inline uint32_t TicksSince(uint32_t start) { return TickCount() - start; }
// True once now has reached deadline, correct across the wrap (for spans under 2^31 ms).
inline bool TickReached(uint32_t now, uint32_t deadline) {
  return static_cast<int32_t>(now - deadline) >= 0;
}

}  // namespace host
