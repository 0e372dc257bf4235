#pragma once
// The program's one serial port and how the server window opens it.

#include <cstdint>
#include <functional>

struct CSerialPort;

// The port of the open server window; null while none is open.
extern CSerialPort* g_CommPort;

// Opens the port for OpenCommPort; OpenPort unless a test installed its own line.
using PortOpener = std::function<CSerialPort*(int32_t index, int32_t baud, uint8_t parity,
                                              uint8_t dataBits, int32_t stopBits)>;
// An empty opener goes back to OpenPort.
void SetPortOpener(PortOpener opener);

inline constexpr uint8_t ACK = 0x06;
inline constexpr uint8_t NAK = 0x15;
