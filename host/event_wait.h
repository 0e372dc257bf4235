#pragma once
// Waiting without spinning. A wait blocks until the serial device has input, the window system
// (or the console) has an event, or the given time has passed, whichever comes first. The window
// system registers how it waits, as it registers its message pump.

#include <cstdint>

namespace host {

// What a wait watches besides the window system: a descriptor to read on POSIX hosts, an event
// handle on Windows.
#if defined(_WIN32)
using WaitHandle = void*;
inline const WaitHandle kNoWaitHandle = nullptr;
#else
using WaitHandle = int;
inline constexpr WaitHandle kNoWaitHandle = -1;
#endif

// Blocks until handle (unless kNoWaitHandle) is ready, a window event arrives, or ms pass.
using EventWaiter = void (*)(WaitHandle handle, uint32_t ms);

// nullptr goes back to WaitForHandle.
void SetEventWaiter(EventWaiter waiter);

// The process's wait. On a clock other than the system's (a test's fake clock) nothing blocks:
// the clock sleeps ms, that is, moves on by them.
void WaitForEvents(WaitHandle handle, uint32_t ms);

// The wait without a window system: the handle alone, or the time alone. A signal ends it early.
void WaitForHandle(WaitHandle handle, uint32_t ms);

}  // namespace host
