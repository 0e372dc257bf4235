#pragma once
// What a wait for input on a platform driver's device sleeps on; each platform driver has one.

#include "host/event_wait.h"
#include "serial/driver_state.h"

// False when input is known to be ready, so that no wait should sleep. Otherwise handle is what
// signals new input, or kNoWaitHandle when nothing can (bytes already queued, device gone) and
// the wait can only sleep.
bool ArmInputWait(SerialDriverState& driver, host::WaitHandle& handle);
