// How the Windows driver's waits keep time: the 10 ms byte pacing (SleepMs and PortDelay) against
// the real clock, how soon ReadCharTimed answers a byte arriving on COM1 (at once where the device
// signals input, within a wait step where it cannot), and how often one idle second runs the wait
// hook. COM1 and COM2 must be joined by a null-modem relay:
//
//   bench/windows_waits.sh [BUILD_DIR]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <thread>
#include <vector>

#include "bench/idle_second.h"
#include "host/clock.h"
#include "serial/serial_port.h"
#include "xfer/engine.h"

namespace {

double Now() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

void Report(const char* name, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
  std::printf("%-38s mean %6.2f ms, median %6.2f, min %6.2f, max %6.2f (%zu runs)\n", name, mean,
              ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
}

void Drain(CSerialPort* port) {
  uint8_t scrap[64];
  while (port->ops.RxCount(port) > 0) port->ops.GetBytes(port, scrap, sizeof scrap);
}

// The pause between the download-mode bytes, and the same pause inside a transfer's wait.
void PacingDelays(CSerialPort* port) {
  std::vector<double> sleeps, delays;
  for (int i = 0; i < 100; ++i) {
    double start = Now();
    host::SleepMs(10);
    sleeps.push_back(Now() - start);
    start = Now();
    PortDelay(port, 10);
    delays.push_back(Now() - start);
  }
  Report("SleepMs(10):", sleeps);
  Report("PortDelay(10):", delays);
}

// The peer writes a byte at a moment the waiting side cannot know; the wait's limit is a second.
void ByteWake(CSerialPort* waiting, CSerialPort* peer) {
  std::vector<double> ms;
  for (int i = 0; i < 30; ++i) {
    Drain(waiting);
    double sentAt = 0;
    std::thread writer([&] {
      Sleep(20 + i % 7);
      sentAt = Now();
      peer->ops.PutChar(peer, 'w');
    });
    const int32_t got = xfer::ReadCharTimed(waiting, 1000);
    const double woke = Now();
    if (got != 'w') std::fprintf(stderr, "ReadCharTimed answered %d\n", got);
    writer.join();
    ms.push_back(woke - sentAt);
  }
  Drain(waiting);
  Report("byte sent to ReadCharTimed answered:", ms);
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ticks = [](FILETIME t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

}  // namespace

int main() {
  CSerialPort* a = OpenPort(0, 115200, 'N', 8, 1);
  CSerialPort* b = OpenPort(1, 115200, 'N', 8, 1);
  if (a->status != PORT_OK || b->status != PORT_OK) {
    std::fprintf(stderr, "COM1 or COM2 did not open: %d %d\n", a->status, b->status);
    return 1;
  }
  PacingDelays(a);
  ByteWake(a, b);
  PrintIdleSecond(a, "idle second (PortDelay):", CpuSeconds);
  b->ops.ClosePort(b);
  a->ops.ClosePort(a);
  return 0;
}
