#pragma once
// The driver record behind a CSerialPort. Every driver keeps the line settings in a Windows-style
// DCB (the diagnostics dump prints its fields), so on hosts other than Windows we declare our own
// DCB with the same field names and widths and the same constant values.

#include <array>
#include <cstdint>

#include "serial/input_queue.h"

#if defined(_WIN32)
#include <windows.h>
#else

struct DCB {
  uint32_t DCBlength;
  uint32_t BaudRate;
  uint32_t fBinary : 1;
  uint32_t fParity : 1;
  uint32_t fOutxCtsFlow : 1;
  uint32_t fOutxDsrFlow : 1;
  uint32_t fDtrControl : 2;
  uint32_t fDsrSensitivity : 1;
  uint32_t fTXContinueOnXoff : 1;
  uint32_t fOutX : 1;
  uint32_t fInX : 1;
  uint32_t fErrorChar : 1;
  uint32_t fNull : 1;
  uint32_t fRtsControl : 2;
  uint32_t fAbortOnError : 1;
  uint32_t fDummy2 : 17;
  uint16_t wReserved;
  uint16_t XonLim;
  uint16_t XoffLim;
  uint8_t ByteSize;
  uint8_t Parity;
  uint8_t StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  uint16_t wReserved1;
};

inline constexpr uint8_t NOPARITY = 0;
inline constexpr uint8_t ODDPARITY = 1;
inline constexpr uint8_t EVENPARITY = 2;
inline constexpr uint8_t MARKPARITY = 3;
inline constexpr uint8_t SPACEPARITY = 4;
inline constexpr uint8_t ONESTOPBIT = 0;
inline constexpr uint8_t TWOSTOPBITS = 2;
inline constexpr uint32_t DTR_CONTROL_DISABLE = 0;
inline constexpr uint32_t DTR_CONTROL_ENABLE = 1;
inline constexpr uint32_t DTR_CONTROL_HANDSHAKE = 2;
inline constexpr uint32_t RTS_CONTROL_DISABLE = 0;
inline constexpr uint32_t RTS_CONTROL_ENABLE = 1;
inline constexpr uint32_t RTS_CONTROL_HANDSHAKE = 2;
inline constexpr uint32_t RTS_CONTROL_TOGGLE = 3;

// The POSIX driver's view of the device's interrupt counters (on Linux TIOCGICOUNT), kept so that
// each error-state query can turn the growth since the last one into CE_ flags.
struct LineCounters {
  uint32_t frame;
  uint32_t overrun;
  uint32_t parity;
  uint32_t brk;
  uint32_t bufferOverrun;
};

#endif

namespace serial {
class MemoryEnd;
}

#if defined(_WIN32)
// Writes that may be in flight at once; a further write waits (PORT_TX_FULL) until one ends.
inline constexpr int kWriteSlots = 16;
#endif

// The output side every driver shares (gathered_output.h). Zero-filled: nothing gathered, not held.
struct OutputGather {
  std::array<uint8_t, PORT_QUEUE_SIZE> bytes;  // taken by PutBytes while held, not yet written
  uint32_t size;
  bool holding;
  int32_t (*flush)(CSerialPort* port);  // the driver's; null where nothing is ever gathered
  // The device's output queue as last counted plus what was written since: never less than the
  // truth, since the queue only drains, so room it shows needs no system call.
  int32_t queued;
  uint32_t lineFreeAt;  // tick count at which the bytes written so far have left at the line rate
  bool refused;         // the last PutBytes could not take everything: a write waits for room
};

// Allocated zero-filled and owned by its port object.
struct SerialDriverState {
  int32_t inQueueSize;
  int32_t outQueueSize;
  DCB dcb;              // the settings as last read and modified; setters apply the whole of it
  uint32_t lineErrors;  // CE_ flags ORed in by every error-state query until ClearLineStatus
  uint32_t uartBase;    // only for drivers that drive an 8250 directly; ours leave it 0
  bool deviceGone;      // hung up or unplugged: every operation now fails
#if defined(_WIN32)
  HANDLE handle;
  // One record per operation in flight, each with its own event: the platform forbids reusing a
  // record before its operation completes, and writes are never waited for.
  OVERLAPPED readOverlapped;
  OVERLAPPED writeOverlapped[kWriteSlots];
  std::array<std::array<uint8_t, PORT_QUEUE_SIZE>, kWriteSlots> writeBytes;  // each slot's bytes
  // Starts and ends with the wait for input (EV_RXCHAR), so that a wait can sleep on its event.
  OVERLAPPED inputEventOverlapped;
  DWORD inputEventMask;
  bool inputEventPending;
  bool inputEventsFail;  // the device refused or cancelled that wait: waits only sleep their step
#else
  int fd;                 // -1 once closed or when the open failed
  int roomOrInputFd;      // the system's wait on fd for input or room (device_extras.h); or -1
  bool hasCounters;       // false on devices or systems without them (pseudo-terminals)
  LineCounters counters;  // the counters at the last query
  int64_t emptiedAtNs;    // monotonic time of the last read that left the device empty; 0: unknown
#endif
  InputQueue input;              // the platform drivers' receive queue
  OutputGather output;           // gathered bytes and the reckoning of the output queue
  serial::MemoryEnd* memoryEnd;  // the in-memory driver's end of its line; null for other drivers
};
