#pragma once
// One second of real time with nothing happening, waited as every engine wait waits: how often
// the hook ran and what the second cost. A spinning wait runs it millions of times.

#include <algorithm>
#include <cstdio>

#include "serial/serial_port.h"

// cpuSeconds: the process's CPU time so far, by the platform's own count.
inline void PrintIdleSecond(CSerialPort* port, const char* name, double (*cpuSeconds)()) {
  static long calls;
  calls = 0;
  const IdleHookFn saved = IdleHook;
  IdleHook = [](CSerialPort*) { return ++calls, 0; };
  const double cpuBefore = cpuSeconds();
  PortDelay(port, 1000);
  // Wine's coarse process times can step back a little.
  const double cpu = std::max(0.0, cpuSeconds() - cpuBefore);
  IdleHook = saved;
  std::printf("%-38s %8ld hook calls in 1 s, %.1f ms CPU (%.2f %% of a core)\n", name, calls,
              cpu * 1e3, cpu * 100);
}
