#include "host/clock.h"

#include "host/system_clock.h"

namespace host {
namespace {
Clock* current = nullptr;
}

Clock& CurrentClock() { return current ? *current : SystemClock(); }

void SetClock(Clock* clock) { current = clock; }

}  // namespace host
