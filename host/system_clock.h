#pragma once
// The platform's own clock, the one CurrentClock answers when no test has installed another.

#include "host/clock.h"

namespace host {

Clock& SystemClock();

}  // namespace host
