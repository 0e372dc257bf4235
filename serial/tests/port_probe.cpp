// port-probe: the serial layer on a real device, for the real-driver suite in the virtual PC
// (docs/real-drivers.md). Opens DEVICE 8N1 through OpenPortPath.
//   port-probe dump DEVICE BAUD [S]  the diagnostic dump; with S, after a break (status 1 when
//                                    none came within S seconds)
//   port-probe pause DEVICE MS       at 9600, waits for input, leaves it unread and pauses MS as
//                                    after a cancel; prints the hook calls and the CPU

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "serial/serial_port.h"

namespace {

double CpuMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The suite sends its break or its input once the line says so: the port is set up by then.
void SayReady(const char* what) {
  std::printf("%s\n", what);
  std::fflush(stdout);
}

int Dump(CSerialPort* port, int waitBreakSeconds) {
  bool broke = waitBreakSeconds == 0;
  if (!broke) SayReady("waiting for a break");
  for (int waited = 0; !broke && waited < waitBreakSeconds * 10; ++waited) {
    PortDelay(port, 100);
    broke = (port->ops.LineStatus(port) & CE_BREAK) != 0;
  }
  port->ops.DumpStatus(port, [](const char* line) { std::printf("%s\n", line); });
  return broke ? 0 : 1;
}

int Pause(CSerialPort* port, int ms) {
  static long calls;
  SayReady("waiting for input");
  WaitForPortEvent(port, 30000);
  IdleHook = [](CSerialPort*) { return ++calls, 0; };
  const double before = CpuMs();
  PortDelay(port, ms);
  std::printf("pause of %d ms with unread input: %ld hook calls, %.1f ms CPU\n", ms, calls,
              CpuMs() - before);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 2 ? argv[1] : "";
  const bool dump = command == "dump" && (argc == 4 || argc == 5);
  if (!dump && !(command == "pause" && argc == 4)) {
    std::fprintf(stderr, "usage: port-probe dump DEVICE BAUD [BREAK-WAIT-S] | pause DEVICE MS\n");
    return 2;
  }
  CSerialPort* port = OpenPortPath(argv[2], dump ? std::atoi(argv[3]) : 9600, 'N', 8, 1);
  if (port->status != PORT_OK) {
    std::fprintf(stderr, "port-probe: %s: status %d %s\n", argv[2], port->status,
                 LastOpenFailure().c_str());
    port->ops.ClosePort(port);
    return 1;
  }
  const int result =
      dump ? Dump(port, argc == 5 ? std::atoi(argv[4]) : 0) : Pause(port, std::atoi(argv[3]));
  port->ops.ClosePort(port);
  return result;
}
