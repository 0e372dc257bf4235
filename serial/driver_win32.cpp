// The platform driver on Windows: a COM device opened exclusively for overlapped I/O, with
// time-outs that make every read return at once with what is buffered.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "serial/gathered_output.h"
#include "serial/input_wait.h"
#include "serial/line_settings.h"
#include "serial/open_failure.h"
#include "serial/port_object.h"
#include "serial/queued_input.h"
#include "serial/serial_port.h"
#include "serial/status_dump.h"
#include "serial/device_win32.h"

namespace {

struct QueueCounts {
  DWORD rx = 0;
  DWORD tx = 0;
};

// The error-state query: the device's error flags are cleared by each query, so they are ORed
// into the record, which is then the only trace of past errors. The query fails only once the
// device has gone (an unplugged adapter); from then on every operation answers PORT_NOT_FOUND,
// also kept in status.
int32_t QueryDevice(CSerialPort* port, QueueCounts& counts) {
  SerialDriverState& driver = *port->driver;
  DWORD errors = 0;
  COMSTAT stat{};
  if (driver.deviceGone || !ClearCommError(driver.handle, &errors, &stat)) {
    driver.deviceGone = true;
    return port->status = PORT_NOT_FOUND;
  }
  driver.lineErrors |= errors;
  counts = {stat.cbInQue, stat.cbOutQue};
  return PORT_OK;
}

int32_t ApplyDcb(CSerialPort* port) {
  return SetCommState(port->driver->handle, &port->driver->dcb) ? PORT_OK : MapCommError();
}

// Reads what the device holds into the receive queue: the read asks only for bytes already
// waiting, so it completes at once.
int32_t FillInput(CSerialPort* port) {
  SerialDriverState& driver = *port->driver;
  QueueCounts counts;
  if (const int32_t failed = QueryDevice(port, counts)) return failed;
  const std::span<uint8_t> space = driver.input.Space();
  if (counts.rx == 0 || space.empty()) return PORT_OK;
  DWORD got = 0;
  const DWORD wanted = std::min<DWORD>(counts.rx, static_cast<DWORD>(space.size()));
  if (!ReadFile(driver.handle, space.data(), wanted, &got, &driver.readOverlapped)) {
    got = 0;
    if (GetLastError() != ERROR_IO_PENDING) {
      QueryDevice(port, counts);
    } else if (!GetOverlappedResult(driver.handle, &driver.readOverlapped, &got, TRUE)) {
      got = 0;
    }
  }
  driver.input.Added(std::min<DWORD>(got, static_cast<DWORD>(space.size())));
  return PORT_OK;
}

constexpr auto GetBytes = QueuedGetBytes<FillInput>;

// A write slot whose operation has ended; -1 while all of them are in flight.
int FreeWriteSlot(SerialDriverState& driver) {
  for (int slot = 0; slot < kWriteSlots; ++slot) {
    if (HasOverlappedIoCompleted(&driver.writeOverlapped[slot])) return slot;
  }
  return -1;
}

// The device is asked for its queue only when our reckoning of it (what it held at the last
// count plus what was written since) leaves less room than wanted.
int32_t OutputRoom(CSerialPort* port, uint32_t wanted) {
  SerialDriverState& driver = *port->driver;
  if (driver.deviceGone) return port->status = PORT_NOT_FOUND;
  if (static_cast<int64_t>(driver.outQueueSize) - driver.output.queued < wanted) {
    QueueCounts counts;
    if (const int32_t failed = QueryDevice(port, counts)) return failed;
    driver.output.queued = static_cast<int32_t>(std::min<DWORD>(counts.tx, INT32_MAX));
  }
  return std::max(driver.outQueueSize - driver.output.queued, 0);
}

// A pending write may read its bytes until it ends, so each slot writes from a copy of its own.
int32_t WriteDevice(CSerialPort* port, std::span<const uint8_t> bytes) {
  SerialDriverState& driver = *port->driver;
  const int slot = FreeWriteSlot(driver);
  if (slot < 0) return 0;
  OVERLAPPED& record = driver.writeOverlapped[slot];
  const auto length = static_cast<DWORD>(std::min(bytes.size(), driver.writeBytes[slot].size()));
  std::memcpy(driver.writeBytes[slot].data(), bytes.data(), length);
  DWORD written = 0;
  if (WriteFile(driver.handle, driver.writeBytes[slot].data(), length, &written, &record)) {
    return static_cast<int32_t>(written);
  }
  // Bytes handed to a pending write count as written; the write is never waited for.
  if (GetLastError() == ERROR_IO_PENDING) return static_cast<int32_t>(length);
  record.Internal = 0;  // no operation in flight on it
  QueueCounts counts;
  if (const int32_t failed = QueryDevice(port, counts)) return failed;
  return 0;
}

using Output = GatheredOutput<OutputRoom, WriteDevice>;

constexpr auto RxCount = QueuedRxCount<FillInput>;

int32_t TxCount(CSerialPort* port) {
  QueueCounts counts;
  if (const int32_t failed = QueryDevice(port, counts)) return failed;
  OutputGather& output = port->driver->output;
  output.queued = static_cast<int32_t>(std::min<DWORD>(counts.tx, INT32_MAX));
  return output.queued + static_cast<int32_t>(output.size);
}

int32_t RxFree(CSerialPort* port) { return FreeSpace(RxCount(port), port->driver->inQueueSize); }

int32_t TxFree(CSerialPort* port) { return FreeSpace(TxCount(port), port->driver->outQueueSize); }

int32_t ClearTx(CSerialPort* port) {
  port->driver->output.size = 0;
  if (PurgeComm(port->driver->handle, PURGE_TXCLEAR)) return PORT_OK;
  return port->status = MapCommError();
}

int32_t SendBreak(CSerialPort* port, int32_t ms) {
  FlushOutput(port);
  SetCommBreak(port->driver->handle);
  PortDelay(port, ms);
  ClearCommBreak(port->driver->handle);
  return PORT_OK;
}

// A failed query counts as no lines at all, which callers take as carrier lost.
int32_t ModemStatus(CSerialPort* port) {
  DWORD lines = 0;
  if (!GetCommModemStatus(port->driver->handle, &lines)) return 0;
  return static_cast<int32_t>(lines & 0xFF);
}

int32_t LineStatus(CSerialPort* port) {
  QueueCounts counts;
  if (const int32_t failed = QueryDevice(port, counts)) return failed;
  return static_cast<int32_t>(port->driver->lineErrors & 0x1E);
}

int32_t ClearLineStatus(CSerialPort* port) {
  port->driver->lineErrors = 0;
  return PORT_OK;
}

void CloseEvents(SerialDriverState& driver) {
  if (driver.readOverlapped.hEvent) CloseHandle(driver.readOverlapped.hEvent);
  if (driver.inputEventOverlapped.hEvent) CloseHandle(driver.inputEventOverlapped.hEvent);
  for (OVERLAPPED& record : driver.writeOverlapped) {
    if (record.hEvent) CloseHandle(record.hEvent);
  }
}

bool CreateEvents(SerialDriverState& driver) {
  driver.readOverlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  driver.inputEventOverlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  bool created = driver.readOverlapped.hEvent != nullptr && driver.inputEventOverlapped.hEvent;
  for (OVERLAPPED& record : driver.writeOverlapped) {
    record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    created = created && record.hEvent != nullptr;
  }
  return created;
}

// The records are about to be released: no operation may still be writing into them.
void EndOperationsInFlight(SerialDriverState& driver) {
  SetCommMask(driver.handle, 0);  // ends a wait for input
  CancelIo(driver.handle);
  DWORD ignored = 0;
  if (driver.inputEventPending) {
    GetOverlappedResult(driver.handle, &driver.inputEventOverlapped, &ignored, TRUE);
  }
  for (OVERLAPPED& record : driver.writeOverlapped) {
    if (!HasOverlappedIoCompleted(&record)) {
      GetOverlappedResult(driver.handle, &record, &ignored, TRUE);
    }
  }
}

int32_t ClosePort(CSerialPort* port) {
  SerialDriverState& driver = *port->driver;
  EscapeCommFunction(driver.handle, CLRDTR);
  EscapeCommFunction(driver.handle, CLRRTS);
  EndOperationsInFlight(driver);
  const bool closed = CloseHandle(driver.handle);
  const int32_t result = closed ? PORT_OK : MapCommError();
  CloseEvents(driver);
  ReleasePortObject(port);
  return result;
}

void InstallOperations(SerialOperations& ops) {
  ops.GetChar = GetCharThroughBytes;
  ops.PutChar = PutCharThroughBytes;
  ops.ClosePort = ClosePort;
  InstallLineSetters<ApplyDcb>(ops);
  ops.TxFree = TxFree;
  ops.TxCount = TxCount;
  ops.RxFree = RxFree;
  ops.RxCount = RxCount;
  ops.ClearTx = ClearTx;
  ops.PutBytes = Output::PutBytes;
  ops.GetBytes = GetBytes;
  ops.DumpStatus = DumpDriverStatus;
  ops.SendBreak = SendBreak;
  ops.ModemStatus = ModemStatus;
  ops.LineStatus = LineStatus;
  ops.ClearLineStatus = ClearLineStatus;
}

// A Windows 3.x host running 32-bit programs has no communications interface for them.
bool HostLacksSerialInterface() {
  const DWORD version = GetVersion();
  return (version & 0x80000000u) != 0 && LOBYTE(LOWORD(version)) == 3;
}

// Opens the device and prepares it; PORT_OK, or the code with nothing left open.
int32_t OpenDevice(SerialDriverState& driver, const std::string& name) {
  driver.inQueueSize = PORT_QUEUE_SIZE;
  driver.outQueueSize = PORT_QUEUE_SIZE;
  driver.lineErrors = 0;
  driver.output.flush = Output::Flush;
  driver.handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
  if (driver.handle == INVALID_HANDLE_VALUE) return MapOpenError();
  if (!CreateEvents(driver)) {
    CloseEvents(driver);
    CloseHandle(driver.handle);
    return PORT_NO_MEMORY;
  }

  SetupComm(driver.handle, driver.inQueueSize, driver.outQueueSize);
  // Received characters end a wait for input (ArmInputWait).
  SetCommMask(driver.handle, EV_RXCHAR);
  driver.dcb.DCBlength = sizeof(DCB);
  GetCommState(driver.handle, &driver.dcb);
  PrepareOpenDcb(driver);

  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  SetCommTimeouts(driver.handle, &timeouts);
  return PORT_OK;
}

CSerialPort* Open(int32_t index, const std::string& name, int32_t baud, uint8_t parity,
                  int32_t dataBits, int32_t stopBits) {
  ForgetOpenFailure();
  CSerialPort* port = NewPortObject();
  if (IsFallbackPort(port)) return port;
  if (HostLacksSerialInterface()) {
    port->status = PORT_UNSUPPORTED;
    return port;
  }
  port = AttachDriverState(port, index);
  if (IsFallbackPort(port)) return port;
  port->status = OpenDevice(*port->driver, name);
  if (port->status != PORT_OK) return port;
  InstallOperations(port->ops);
  SetOpeningLineParams(port, baud, parity, dataBits, stopBits);
  return port;
}

std::string DeviceName(int32_t number) { return "\\\\.\\COM" + std::to_string(number); }

// "COMn" or "\\.\COMn" in any case, for n from 1: the port number; 0 for any other name.
int32_t ComNumber(std::string_view name) {
  if (name.starts_with("\\\\.\\")) name.remove_prefix(4);
  if (name.size() < 4 || _strnicmp(name.data(), "COM", 3) != 0) return 0;
  int32_t number = 0;
  for (const char digit : name.substr(3)) {
    if (!std::isdigit(static_cast<unsigned char>(digit)) || number > 9999) return 0;
    number = number * 10 + (digit - '0');
  }
  return number;
}

}  // namespace

// The device's wait for a received character runs on its own record; a wait that ended is
// started again, and one that ends at once (characters came since the last) means input may be
// ready. A device that refuses the wait or cancels it without an event (Wine does so on a
// pseudo-terminal) would otherwise wake every wait at once and keep a core busy re-arming it.
bool ArmInputWait(SerialDriverState& driver, host::WaitHandle& handle) {
  handle = host::kNoWaitHandle;
  // A write that waits for room wakes when a write in flight ends.
  if (driver.output.refused && !driver.deviceGone) {
    for (OVERLAPPED& record : driver.writeOverlapped) {
      if (!HasOverlappedIoCompleted(&record)) {
        handle = record.hEvent;
        return true;
      }
    }
  }
  if (driver.deviceGone || driver.inputEventsFail || driver.input.Count() > 0) return true;
  OVERLAPPED& record = driver.inputEventOverlapped;
  if (driver.inputEventPending) {
    if (!HasOverlappedIoCompleted(&record)) {
      handle = record.hEvent;
      return true;
    }
    driver.inputEventPending = false;
    DWORD ignored = 0;
    const bool ended = GetOverlappedResult(driver.handle, &record, &ignored, FALSE);
    driver.inputEventsFail = !ended || (driver.inputEventMask & EV_RXCHAR) == 0;
    return driver.inputEventsFail;
  }
  ResetEvent(record.hEvent);
  if (WaitCommEvent(driver.handle, &driver.inputEventMask, &record)) {
    driver.inputEventsFail = (driver.inputEventMask & EV_RXCHAR) == 0;
    return driver.inputEventsFail;
  }
  if (GetLastError() != ERROR_IO_PENDING) {
    driver.inputEventsFail = true;
    return true;
  }
  driver.inputEventPending = true;
  handle = record.hEvent;
  return true;
}

// An index without a device of its own is COM1, COM2 ... A COM name becomes the device name that
// also reaches the ports past COM9.
CSerialPort* OpenPort(int32_t index, int32_t baud, uint8_t parity, int32_t dataBits,
                      int32_t stopBits) {
  const std::string device = PortDevice(index);
  const int32_t number = device.empty() ? index + 1 : ComNumber(device);
  return Open(index, number > 0 ? DeviceName(number) : device, baud, parity, dataBits, stopBits);
}

CSerialPort* OpenPortPath(const char* path, int32_t baud, uint8_t parity, int32_t dataBits,
                          int32_t stopBits) {
  const std::string name = path ? path : "";
  if (const int32_t number = ComNumber(name)) {
    return Open(number - 1, DeviceName(number), baud, parity, dataBits, stopBits);
  }
  return Open(-1, name, baud, parity, dataBits, stopBits);
}
