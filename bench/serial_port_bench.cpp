// What the serial layer costs its busiest callers: the transfer engine polls RxCount and reads
// byte by byte with GetChar, and waits between polls. Measured on a pseudo-terminal (the real
// driver, system calls included) and on the in-memory line that the engine and server tests
// run on.
//
//   build/default/bench/bench_serial_port

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <span>
#include <thread>
#include <vector>

#include "bench/idle_second.h"
#include "serial/memory_line.h"
#include "serial/pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void IdlePoll(CSerialPort* port, const char* name) {
  constexpr int kCalls = 200'000;
  const auto start = Clock::now();
  for (int i = 0; i < kCalls; ++i) port->ops.RxCount(port);
  std::printf("%-38s %8.0f ns per RxCount\n", name, SecondsSince(start) * 1e9 / kCalls);
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Receives total bytes the way the engine does: RxCount, then GetChar per byte.
void ReceiveByteByByte(CSerialPort* port, size_t total, const char* name) {
  const auto start = Clock::now();
  size_t got = 0;
  while (got < total) {
    if (port->ops.RxCount(port) > 0 && port->ops.GetChar(port) >= 0) ++got;
  }
  const double seconds = SecondsSince(start);
  std::printf("%-38s %8.2f MB/s (%zu bytes in %.3f s; 115200 baud is 0.0115 MB/s)\n", name,
              static_cast<double>(total) / seconds / 1e6, total, seconds);
}

void Send(CSerialPort* port, const std::vector<uint8_t>& data, const char* name,
          const std::function<void()>& drain) {
  const auto start = Clock::now();
  size_t sent = 0;
  while (sent < data.size()) {
    const auto chunk = static_cast<uint32_t>(std::min<size_t>(1024, data.size() - sent));
    port->ops.PutBytes(port, data.data() + sent, chunk);
    sent += port->count;
    drain();
  }
  const double seconds = SecondsSince(start);
  std::printf("%-38s %8.2f MB/s (PutBytes of 1024-byte blocks)\n", name,
              static_cast<double>(data.size()) / seconds / 1e6);
}

}  // namespace

int main() {
  constexpr size_t kTotal = 1 << 20;
  std::vector<uint8_t> data(kTotal);
  for (size_t i = 0; i < kTotal; ++i) data[i] = static_cast<uint8_t>(i * 31);

  serial::PtyPair pty;
  if (!pty.ok()) {
    std::fprintf(stderr, "no pseudo-terminal\n");
    return 1;
  }
  CSerialPort* port = OpenPortPath(pty.SlavePath().c_str(), 115200, 'N', 8, 1);
  if (port->status != PORT_OK) {
    std::fprintf(stderr, "open failed: %d\n", port->status);
    return 1;
  }
  IdlePoll(port, "pty, idle line:");
  PrintIdleSecond(port, "pty, idle wait (PortDelay):", CpuSeconds);
  std::thread writer([&] { pty.Write(data); });
  ReceiveByteByByte(port, kTotal, "pty, RxCount+GetChar per byte:");
  writer.join();
  std::thread reader([&] { pty.Read(kTotal, 10'000); });
  Send(port, data, "pty, send:", [] {});
  reader.join();
  port->ops.ClosePort(port);

  serial::MemoryLine line;
  CSerialPort* a = line.OpenPort(serial::kEndA);
  CSerialPort* b = line.OpenPort(serial::kEndB);
  IdlePoll(a, "memory line, idle line:");
  std::vector<uint8_t> sink(1050);
  Send(a, data, "memory line, send and drain:", [&] { b->ops.GetBytes(b, sink.data(), 1050); });
  line.End(serial::kEndB).Write(std::span(data.data(), 1000));
  ReceiveByteByByte(a, 1000, "memory line, per byte:");
  a->ops.ClosePort(a);
  b->ops.ClosePort(b);
  return 0;
}
