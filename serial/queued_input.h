#pragma once
// GetBytes and RxCount of the platform drivers, served from the driver's receive queue; Fill is
// the driver's one system call that moves whatever the device holds into that queue.

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
