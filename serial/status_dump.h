#pragma once
// The diagnostics dump, shared by the drivers: it prints the driver record's DCB copy and asks
// the port's own table for the queue counts, line errors and modem lines.

#include <cstdint>

#include "serial/serial_port.h"

// The ten lines for a port with a driver record; answers PORT_OK whatever the queries find.
int32_t DumpDriverStatus(CSerialPort* port, DumpOutput output);

// The default table's dump: a notice and an empty line; stores and answers PORT_UNSUPPORTED.
int32_t DumpNotSupported(CSerialPort* port, DumpOutput output);
