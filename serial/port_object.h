#pragma once
// The life of port objects, shared by every driver: creation with the default table, the
// driver record, the process-wide list (newest first) and its at-exit closer, the fallback
// object handed out when memory runs out, and release.

#include <cstdint>

#include "serial/driver_state.h"
#include "serial/serial_port.h"

// Every slot answers PORT_UNSUPPORTED (stored in status) except ClosePort, DumpStatus and
// ClearStatus.
const SerialOperations& DefaultOperations();

// A zero-filled object with the default table, linked at the head of the list; the fallback
// object (status PORT_NO_MEMORY) when memory can't be obtained.
CSerialPort* NewPortObject();

// Attaches a zero-filled driver record and records index. When memory can't be obtained the
// object is released and the fallback object is answered instead.
CSerialPort* AttachDriverState(CSerialPort* port, int32_t index);

bool IsFallbackPort(const CSerialPort* port);

// Unlinks the object and releases it with its driver record (the fallback object is only
// unlinked). Drivers call it last in their ClosePort.
void ReleasePortObject(CSerialPort* port);

// Newest first; null when no port object is alive.
CSerialPort* FirstPort();

// What the at-exit handler runs: ClosePort on the head of the list until the list is empty.
void CloseAllPorts();

// GetChar and PutChar of every driver: one byte through the port's own GetBytes and PutBytes.
// GetChar answers the byte as 0..255, so that 0xFF cannot be taken for an error code.
int32_t GetCharThroughBytes(CSerialPort* port);
int32_t PutCharThroughBytes(CSerialPort* port, uint8_t byte);
