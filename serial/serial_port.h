#pragma once
// The serial port object: a plain record carrying its own table of operations. Every operation
// answers an integer status (0 or a count for success, a negative PORT_ code for failure) and
// failing operations leave their code in the sticky `status`.

#include <cstdint>
#include <string>

// Status codes.
enum : int32_t {
  PORT_OK = 0,
  PORT_FAILED = -1,
  PORT_BAD_ID = -2,
  PORT_IN_USE = -3,
  PORT_NO_MEMORY = -5,
  PORT_RX_EMPTY = -8,
  PORT_TX_FULL = -9,
  PORT_NOT_FOUND = -14,
  PORT_UNSUPPORTED = -24,
  PORT_BAD_BAUD = -25,
  PORT_BAD_PARITY = -26,
  PORT_BAD_DATA_BITS = -27,
  PORT_BAD_STOP_BITS = -28,
};

// The modem line bits and line error flags are the platform's own on Windows, where <windows.h>
// defines them as macros with these values; it may come before or after this header.
#ifndef MS_CTS_ON
// Modem line bits answered by ModemStatus.
enum : int32_t { MS_CTS_ON = 0x10, MS_DSR_ON = 0x20, MS_RING_ON = 0x40, MS_RLSD_ON = 0x80 };
#endif

#ifndef CE_RXOVER
// Line error flags, accumulated by every error-state query.
enum : uint32_t {
  CE_RXOVER = 0x0001,
  CE_OVERRUN = 0x0002,
  CE_RXPARITY = 0x0004,
  CE_FRAME = 0x0008,
  CE_BREAK = 0x0010,
  CE_TXFULL = 0x0100,
  CE_MODE = 0x8000,
};
#endif

inline constexpr int32_t PORT_QUEUE_SIZE = 1050;

struct CSerialPort;
struct SerialDriverState;  // defined by the driver that opened the port

using DumpOutput = void (*)(const char* line);

// The 24 slots, in slot order.
struct SerialOperations {
  int32_t (*GetChar)(CSerialPort* port);                // 1
  int32_t (*Reserved2)(CSerialPort* port);              // 2
  int32_t (*PutChar)(CSerialPort* port, uint8_t byte);  // 3
  int32_t (*ClosePort)(CSerialPort* port);              // 4
  int32_t (*SetLineParams)(CSerialPort* port, int32_t baud, uint8_t parity, int32_t dataBits,
                           int32_t stopBits);                                      // 5
  int32_t (*SetXonXoff)(CSerialPort* port, int32_t on);                            // 6
  int32_t (*SetRtsCts)(CSerialPort* port, int32_t on);                             // 7
  int32_t (*SetDtrDsr)(CSerialPort* port, int32_t on);                             // 8
  int32_t (*SetDtr)(CSerialPort* port, int32_t on);                                // 9
  int32_t (*SetRts)(CSerialPort* port, int32_t on);                                // 10
  int32_t (*TxFree)(CSerialPort* port);                                            // 11
  int32_t (*TxCount)(CSerialPort* port);                                           // 12
  int32_t (*RxFree)(CSerialPort* port);                                            // 13
  int32_t (*RxCount)(CSerialPort* port);                                           // 14
  int32_t (*ClearTx)(CSerialPort* port);                                           // 15
  int32_t (*PutBytes)(CSerialPort* port, const uint8_t* buffer, uint32_t length);  // 16
  int32_t (*GetBytes)(CSerialPort* port, uint8_t* buffer, uint32_t length);        // 17
  int32_t (*DumpStatus)(CSerialPort* port, DumpOutput output);                     // 18
  int32_t (*SendBreak)(CSerialPort* port, int32_t ms);                             // 19
  int32_t (*ModemStatus)(CSerialPort* port);                                       // 20
  int32_t (*LineStatus)(CSerialPort* port);                                        // 21
  int32_t (*ClearLineStatus)(CSerialPort* port);                                   // 22
  int32_t (*Reserved23)(CSerialPort* port);                                        // 23
  int32_t (*ClearStatus)(CSerialPort* port);                                       // 24
};

struct CSerialPort {
  SerialDriverState* driver;  // owned; null on the fallback object and on a failed open
  CSerialPort* next;          // process-wide port list, newest first
  int32_t portIndex;          // 0 is the first port; -1 on the fallback object
  int32_t status;             // sticky: only OpenPort and ClearStatus reset it
  uint32_t count;             // bytes moved by the last GetBytes or PutBytes
  SerialOperations ops;
};

// Opens port `index` (0 = "COMM 1") with the given line settings. Never returns null: the caller
// treats the port as open when status is PORT_OK and always ends it with ops.ClosePort.
CSerialPort* OpenPort(int32_t index, int32_t baud, uint8_t parity, int32_t dataBits,
                      int32_t stopBits);

// Opens a serial device by its platform name or path (a tool's command line, a test's
// pseudo-terminal) with the same steps as OpenPort; the port's index is -1.
CSerialPort* OpenPortPath(const char* path, int32_t baud, uint8_t parity, int32_t dataBits,
                          int32_t stopBits);

// The device that port index names on hosts where ports are device paths; the application fills
// it from its settings. An empty path forgets the index; OpenPort of an index without a device
// answers PORT_NOT_FOUND.
void SetPortDevice(int32_t index, const std::string& path);
std::string PortDevice(int32_t index);

// From HoldOutput until ReleaseOutput, what PutBytes and PutChar take is gathered and reaches the
// device in one write at the release, or earlier when a wait on the port begins; answers, counts
// and order are those of separate writes. A block goes out whole this way, in one system call.
void HoldOutput(CSerialPort* port);
void ReleaseOutput(CSerialPort* port);

// How long one byte takes on the line at the port's settings, in microseconds; 0 for a port
// without settings (the fallback object, a failed open).
uint32_t ByteTimeMicros(const CSerialPort* port);

// How long the line still needs, at its rate, for the bytes written so far, in milliseconds.
int32_t LineTimeLeftMs(const CSerialPort* port);

// Status code for the platform's last error.
int32_t MapCommError();

// Why the last opening of a device failed, in words for the user (no such device, in use by
// another program, permission denied with what to do); empty when it did not fail there or the
// host does not say.
std::string LastOpenFailure();

// The process-wide wait hook, called in every wait with the port; a negative answer ends the wait.
using IdleHookFn = int32_t (*)(CSerialPort* port);
extern IdleHookFn IdleHook;

// The default IdleHook: dispatches every pending window message, never waits; answers 0.
int32_t PumpMessages(CSerialPort* port);

// Waits ms milliseconds, calling IdleHook throughout; PORT_OK or the hook's first negative answer.
// Input arriving meanwhile does not shorten its steps.
int32_t PortDelay(CSerialPort* port, int32_t ms);

// The longest a wait sleeps between two IdleHook calls, so that what no wait can watch (the
// output draining, a dropped carrier) is still seen within moments.
inline constexpr int32_t PORT_WAIT_STEP_MS = 5;

// Blocks until new input arrives on the port, a window or console event comes, or ms pass,
// whichever is first. Bytes already waiting do not end it. Ports of the in-memory line answer at
// once: their time moves in the line's IdleHook.
void WaitForPortEvent(CSerialPort* port, int32_t ms);

// One step of every wait: WaitForPortEvent for at most PORT_WAIT_STEP_MS, or as long as the line
// still needs for the bytes written (and at most ms), then IdleHook; answers the hook's answer.
int32_t PortWaitStep(CSerialPort* port, int32_t ms);

// One step of a wait for input alone: once everything written has reached the device, only input,
// a window event or a signal can change anything for the waiter, and each of them ends the wait,
// so it sleeps up to ms; otherwise a PortWaitStep. Answers the IdleHook's answer.
int32_t PortInputWaitStep(CSerialPort* port, int32_t ms);
