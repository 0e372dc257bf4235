#pragma once
// The program's one serial port and how the server window opens it.

#include <cstdint>
#include <functional>
#include <string>

struct CSerialPort;

// The port of the open server window; null while none is open.
extern CSerialPort* g_CommPort;

// Opens the port for OpenCommPort; OpenPort unless a test installed its own line.
using PortOpener = std::function<CSerialPort*(int32_t index, int32_t baud, uint8_t parity,
                                              int32_t dataBits, int32_t stopBits)>;
// An empty opener goes back to OpenPort.
void SetPortOpener(PortOpener opener);

// The port's device went away (an unplugged adapter): every operation on it fails with
// PORT_NOT_FOUND, which the drivers keep in its status.
bool CommPortLost();
// Closes the lost port at once (nothing can drain from it) and forgets it, so that the device is
// free to come back under its name.
void ReleaseLostPort();
// Opens the port again with the numeric copies of the last opening, without a word on failure.
bool ReopenCommPort();
// "COMM 1 (/dev/ttyUSB0)": the port's name with the device behind it.
std::string CommPortName();

inline constexpr uint8_t ACK = 0x06;
inline constexpr uint8_t NAK = 0x15;
