#pragma once
// GetBytes and RxCount of the platform drivers, served from the driver's receive queue; Fill is
// the driver's one system call that moves whatever the device holds into that queue. And the free
// room both drivers answer from their counts.

#include <algorithm>
#include <cstdint>

#include "serial/driver_state.h"
#include "serial/serial_port.h"

template <int32_t (*Fill)(CSerialPort*)>
int32_t QueuedGetBytes(CSerialPort* port, uint8_t* buffer, uint32_t length) {
  port->count = 0;
  InputQueue& input = port->driver->input;
  if (input.Count() == 0) {
    if (const int32_t failed = Fill(port)) return failed;
    if (input.Count() == 0) return PORT_RX_EMPTY;
  }
  port->count = input.Take(buffer, length);
  return PORT_OK;
}

// Bytes already queued are still counted after the device has gone.
template <int32_t (*Fill)(CSerialPort*)>
int32_t QueuedRxCount(CSerialPort* port) {
  InputQueue& input = port->driver->input;
  if (input.CountReadsDevice()) {
    const int32_t failed = Fill(port);
    if (failed != PORT_OK && input.Count() == 0) return failed;
  }
  return static_cast<int32_t>(input.Count());
}

// The room left in a queue of size holding waiting bytes. A failed count is passed on (read as a
// count, it would be a large free space); a device that buffers more than size (the kernel's
// queues are larger than ours) has no room rather than less than none, which would read as an
// error code.
inline int32_t FreeSpace(int32_t waiting, int32_t size) {
  return waiting < 0 ? waiting : std::max(size - waiting, 0);
}
