#include "host/event_wait.h"

#include "host/clock.h"
#include "host/system_clock.h"

namespace host {
namespace {
EventWaiter registered = nullptr;
}

void SetEventWaiter(EventWaiter waiter) { registered = waiter; }

void WaitForEvents(WaitHandle handle, uint32_t ms) {
  if (ms == 0) return;
  Clock& clock = CurrentClock();
  if (&clock != &SystemClock()) {
    clock.SleepMs(ms);
    return;
  }
  (registered ? registered : WaitForHandle)(handle, ms);
}

}  // namespace host
