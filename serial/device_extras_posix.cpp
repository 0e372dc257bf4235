// Where POSIX is all there is: standard rates only, no line-error counters, and a write that
// waits for room sleeps its steps.

#include "serial/device_extras.h"

bool CanSetAnyRate() { return false; }

bool SetAnyRate(int, uint32_t) { return false; }

uint32_t ReadAnyRate(int) { return 0; }

uint32_t StickyParityFlag() { return 0; }

bool ReadLineCounters(int, LineCounters&) { return false; }

void AskForLowLatency(int) {}

int OpenRoomOrInputWait(int) { return -1; }
