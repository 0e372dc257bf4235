#pragma once
// Shared by the POSIX driver's files: the device's termios and modem-line control, and the
// errno mapping.

#include <cstdint>

#include "serial/driver_state.h"
#include "serial/serial_port.h"

struct termios;

// Status code for an errno value. MapOpenErrno also keeps the reason for LastOpenFailure.
int32_t MapErrno(int error);
int32_t MapOpenErrno(int error);

// True for the errno values a hung-up or unplugged device answers with.
bool IsDeviceGoneErrno(int error);

// Marks the device as gone; answers PORT_NOT_FOUND, stored in status.
int32_t DeviceGone(CSerialPort* port);

// Puts the freshly opened device into raw, non-blocking mode without touching its rate,
// size, parity and stop bits, and reads those into the record's DCB.
int32_t MakeRawAndReadDcb(SerialDriverState& driver);

// The DCB as raw termios settings; tio keeps what the DCB does not name, and its rate when termios
// has no constant for the DCB's. ByteSize must be 5 to 8. PORT_BAD_PARITY for mark or space parity
// where the system has none; PORT_OK otherwise.
int32_t TranslateDcb(const DCB& dcb, termios& tio);

// Translates the record's DCB into termios and modem-line settings and applies them.
int32_t ApplyPosixDcb(CSerialPort* port);

// Raises (on) or drops a TIOCM_ line; devices without modem lines are not an error.
int32_t SetModemLine(CSerialPort* port, int line, bool on);
