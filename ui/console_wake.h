#pragma once
// The console backend's wake-up: the interrupt handler rings it, and every wait watches it
// beside the serial device, so that SIGINT and SIGTERM are seen at once.

#include <cstdint>

#include "host/event_wait.h"

namespace ui::console_wake {

// Before the handlers are installed; without it Ring does nothing and waits see only the device.
void Open();
// Safe in a signal handler.
void Ring();
// After the ring has been handled.
void Clear();
// Blocks until the ring, device input (unless host::kNoWaitHandle), or ms.
void Wait(host::WaitHandle device, uint32_t ms);

}  // namespace ui::console_wake
