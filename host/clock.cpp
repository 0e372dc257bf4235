#include "host/clock.h"

#include <chrono>
#include <thread>

namespace host {
namespace {

class SystemClock final : public Clock {
 public:
  uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  int64_t CalendarSeconds() override {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
  }
  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

SystemClock systemClock;
Clock* current = &systemClock;

}  // namespace

Clock& CurrentClock() { return *current; }

void SetClock(Clock* clock) { current = clock ? clock : &systemClock; }

}  // namespace host
