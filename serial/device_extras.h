#pragma once
// What a system adds to the POSIX driver beyond termios, chosen by the build: one file per system
// (device_extras_linux.cpp), or device_extras_posix.cpp where POSIX is all there is. Free of
// <termios.h>, which clashes with the kernel headers a system's part may need.

#include <cstdint>

#include "serial/driver_state.h"

// Whether SetAnyRate can set a rate that termios has no constant for (such as 15360).
bool CanSetAnyRate();

// Sets the device's rate to baud, any positive rate, keeping its other settings. False, with
// errno set, when the device refuses.
bool SetAnyRate(int fd, uint32_t baud);

// The device's rate when termios cannot name it; 0 where unknown.
uint32_t ReadAnyRate(int fd);

// The c_cflag bit that makes parity mark or space (with PARODD for mark); 0 where there is none.
uint32_t StickyParityFlag();

// The device's line-error counters; false for a device without them or a system that cannot ask,
// whose line errors then go unseen.
bool ReadLineCounters(int fd, LineCounters& counters);

// Asks the device's driver for low latency; a device or system without that mode is left as it is.
void AskForLowLatency(int fd);

// A descriptor that is readable while fd has input or room for output, for a write that waits for
// room; -1 where the system has none, and such a write sleeps its steps.
int OpenRoomOrInputWait(int fd);
