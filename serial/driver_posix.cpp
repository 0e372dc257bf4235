// The platform driver on POSIX hosts: a tty device opened by path, non-blocking, exclusive
// (flock and TIOCEXCL), with the 1050-byte queues enforced here since the kernel's are larger.
// What a system offers beyond POSIX comes through device_extras.h.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <span>
#include <string>

#include "serial/device_extras.h"
#include "serial/device_posix.h"
#include "serial/gathered_output.h"
#include "serial/input_wait.h"
#include "serial/line_settings.h"
#include "serial/open_failure.h"
#include "serial/port_object.h"
#include "serial/queued_input.h"
#include "serial/status_dump.h"

namespace {

// The device keeps counting; what grew since the last query becomes CE_ flags.
void AccumulateCounters(SerialDriverState& driver) {
  LineCounters now{};
  if (!driver.hasCounters || !ReadLineCounters(driver.fd, now)) return;
  const LineCounters& before = driver.counters;
  if (now.frame != before.frame) driver.lineErrors |= CE_FRAME;
  if (now.overrun != before.overrun) driver.lineErrors |= CE_OVERRUN;
  if (now.parity != before.parity) driver.lineErrors |= CE_RXPARITY;
  if (now.brk != before.brk) driver.lineErrors |= CE_BREAK;
  if (now.bufferOverrun != before.bufferOverrun) driver.lineErrors |= CE_RXOVER;
  driver.counters = now;
}

// The error-state query: line errors into the record. PORT_OK, or PORT_NOT_FOUND (in status
// too) once the device has gone.
int32_t QueryErrors(CSerialPort* port) {
  SerialDriverState& driver = *port->driver;
  if (driver.deviceGone) return port->status = PORT_NOT_FOUND;
  AccumulateCounters(driver);
  return PORT_OK;
}

int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Reads whatever the device holds into the receive queue, in one call. With VMIN 1 and a
// non-blocking descriptor, an empty device answers EAGAIN, so a read of nothing is a hang-up.
int32_t FillInput(CSerialPort* port) {
  if (const int32_t failed = QueryErrors(port)) return failed;
  InputQueue& input = port->driver->input;
  const std::span<uint8_t> space = input.Space();
  if (space.empty()) return PORT_OK;
  const ssize_t got = read(port->driver->fd, space.data(), space.size());
  if (got > 0) {
    input.Added(static_cast<uint32_t>(got));
  } else if (got == 0 || IsDeviceGoneErrno(errno)) {
    return DeviceGone(port);
  }
  if (got < static_cast<ssize_t>(space.size())) port->driver->emptiedAtNs = MonotonicNs();
  return PORT_OK;
}

// Between writing a block and waiting for its answer the engine counts its input several times
// within microseconds; a read for each would find nothing. A count soon after a read that left the
// device empty, with no wait since, answers from the queue; the wait that follows sees any byte.
constexpr int64_t kFreshEmptyNs = 1'000'000;

int32_t RxCount(CSerialPort* port) {
  const SerialDriverState& driver = *port->driver;
  if (!driver.deviceGone && driver.input.Count() == 0 && driver.emptiedAtNs != 0 &&
      MonotonicNs() - driver.emptiedAtNs < kFreshEmptyNs) {
    return 0;
  }
  return QueuedRxCount<FillInput>(port);
}

constexpr auto GetBytes = QueuedGetBytes<FillInput>;

// Bytes waiting in the device's output queue, or PORT_NOT_FOUND once it has gone. The count
// also corrects the driver's own reckoning of the queue.
int32_t QueuedOutput(CSerialPort* port) {
  SerialDriverState& driver = *port->driver;
  if (driver.deviceGone) return port->status = PORT_NOT_FOUND;
  int tx = 0;
  if (ioctl(driver.fd, TIOCOUTQ, &tx) < 0) {
    if (IsDeviceGoneErrno(errno)) return DeviceGone(port);
    tx = 0;
  }
  driver.output.queued = tx;
  return tx;
}

// The kernel's queues are larger than ours; the device is asked only when our reckoning of its
// queue leaves less room than wanted, so a block into a drained queue costs no query.
int32_t OutputRoom(CSerialPort* port, uint32_t wanted) {
  SerialDriverState& driver = *port->driver;
  if (driver.deviceGone) return port->status = PORT_NOT_FOUND;
  if (static_cast<int64_t>(driver.outQueueSize) - driver.output.queued < wanted) {
    if (const int32_t failed = QueuedOutput(port); failed < 0) return failed;
  }
  return std::max(driver.outQueueSize - driver.output.queued, 0);
}

int32_t WriteDevice(CSerialPort* port, std::span<const uint8_t> bytes) {
  const ssize_t written = write(port->driver->fd, bytes.data(), bytes.size());
  if (written >= 0) return static_cast<int32_t>(written);
  if (IsDeviceGoneErrno(errno)) return DeviceGone(port);
  if (errno != EAGAIN) QueryErrors(port);
  return 0;
}

using Output = GatheredOutput<OutputRoom, WriteDevice>;

int32_t TxCount(CSerialPort* port) {
  const int32_t queued = QueuedOutput(port);
  return queued < 0 ? queued : queued + static_cast<int32_t>(port->driver->output.size);
}

int32_t RxFree(CSerialPort* port) { return FreeSpace(RxCount(port), port->driver->inQueueSize); }

int32_t TxFree(CSerialPort* port) { return FreeSpace(TxCount(port), port->driver->outQueueSize); }

int32_t ClearTx(CSerialPort* port) {
  if (port->driver->deviceGone) return port->status = PORT_NOT_FOUND;
  port->driver->output.size = 0;
  if (tcflush(port->driver->fd, TCOFLUSH) == 0) return PORT_OK;
  if (IsDeviceGoneErrno(errno)) return DeviceGone(port);
  return port->status = MapCommError();
}

int32_t SendBreak(CSerialPort* port, int32_t ms) {
  SerialDriverState& driver = *port->driver;
  if (driver.deviceGone) return port->status = PORT_NOT_FOUND;
  FlushOutput(port);
  if (ioctl(driver.fd, TIOCSBRK) < 0 && IsDeviceGoneErrno(errno)) return DeviceGone(port);
  PortDelay(port, ms);
  if (!driver.deviceGone) ioctl(driver.fd, TIOCCBRK);
  return PORT_OK;
}

// A failed query counts as no lines at all, which callers take as carrier lost.
int32_t ModemStatus(CSerialPort* port) {
  SerialDriverState& driver = *port->driver;
  if (driver.deviceGone) {
    port->status = PORT_NOT_FOUND;
    return 0;
  }
  int lines = 0;
  if (ioctl(driver.fd, TIOCMGET, &lines) < 0) {
    if (IsDeviceGoneErrno(errno)) DeviceGone(port);
    return 0;
  }
  int32_t bits = 0;
  if (lines & TIOCM_CTS) bits |= MS_CTS_ON;
  if (lines & TIOCM_DSR) bits |= MS_DSR_ON;
  if (lines & TIOCM_RNG) bits |= MS_RING_ON;
  if (lines & TIOCM_CAR) bits |= MS_RLSD_ON;
  return bits;
}

int32_t LineStatus(CSerialPort* port) {
  if (const int32_t failed = QueryErrors(port)) return failed;
  return static_cast<int32_t>(port->driver->lineErrors & 0x1E);
}

int32_t ClearLineStatus(CSerialPort* port) {
  port->driver->lineErrors = 0;
  return PORT_OK;
}

int32_t ClosePort(CSerialPort* port) {
  SerialDriverState& driver = *port->driver;
  if (!driver.deviceGone) {
    SetModemLine(port, TIOCM_DTR, false);
    SetModemLine(port, TIOCM_RTS, false);
    // Callers wait for the output to drain first; what a stalled line still holds would only make
    // close() wait for it. A queue that reads empty is left alone: a pseudo-terminal counts its
    // output gone before the other side has taken it in, and a flush would throw the last answer
    // away.
    int queued = 0;
    if (ioctl(driver.fd, TIOCOUTQ, &queued) == 0 && queued > 0) tcflush(driver.fd, TCOFLUSH);
    ioctl(driver.fd, TIOCNXCL);
  }
  if (driver.roomOrInputFd >= 0) close(driver.roomOrInputFd);
  const bool closed = close(driver.fd) == 0 || errno == EINTR;
  const int32_t result = closed ? PORT_OK : MapCommError();
  ReleasePortObject(port);
  return result;
}

void InstallOperations(SerialOperations& ops) {
  ops.GetChar = GetCharThroughBytes;
  ops.PutChar = PutCharThroughBytes;
  ops.ClosePort = ClosePort;
  InstallLineSetters<ApplyPosixDcb>(ops);
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

// Opens and claims the device; on failure nothing stays open.
int32_t OpenDevice(SerialDriverState& driver, const std::string& path) {
  ForgetOpenFailure();
  if (path.empty()) return MapOpenErrno(ENOENT);
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return MapOpenErrno(errno);
  // flock holds against every other opener, root included; TIOCEXCL against other programs
  // that do not lock.
  int32_t result = PORT_OK;
  if (flock(fd, LOCK_EX | LOCK_NB) < 0) result = MapOpenErrno(errno);
  driver.fd = fd;
  if (result == PORT_OK) {
    result = MakeRawAndReadDcb(driver);
    if (result != PORT_OK) MapOpenErrno(errno);
  }
  if (result != PORT_OK) {
    close(fd);
    driver.fd = -1;
    return result;
  }
  ioctl(fd, TIOCEXCL);
  AskForLowLatency(fd);
  driver.hasCounters = ReadLineCounters(fd, driver.counters);
  driver.roomOrInputFd = OpenRoomOrInputWait(fd);
  return PORT_OK;
}

CSerialPort* Open(int32_t index, const std::string& path, int32_t baud, uint8_t parity,
                  int32_t dataBits, int32_t stopBits) {
  CSerialPort* port = AttachDriverState(NewPortObject(), index);
  if (IsFallbackPort(port)) return port;
  SerialDriverState& driver = *port->driver;
  driver.fd = -1;
  driver.roomOrInputFd = -1;
  driver.inQueueSize = PORT_QUEUE_SIZE;
  driver.outQueueSize = PORT_QUEUE_SIZE;
  driver.lineErrors = 0;
  driver.output.flush = Output::Flush;
  port->status = OpenDevice(driver, path);
  if (port->status != PORT_OK) return port;
  PrepareOpenDcb(driver);
  InstallOperations(port->ops);
  // DTR and RTS go up at open even when the line parameters turn out bad.
  SetModemLine(port, TIOCM_DTR | TIOCM_RTS, true);
  SetOpeningLineParams(port, baud, parity, dataBits, stopBits);
  return port;
}

}  // namespace

bool ArmInputWait(SerialDriverState& driver, host::WaitHandle& handle) {
  driver.emptiedAtNs = 0;
  if (driver.deviceGone) {
    handle = host::kNoWaitHandle;
  } else if (driver.output.refused && driver.roomOrInputFd >= 0) {
    handle = driver.roomOrInputFd;
  } else {
    handle = driver.input.Count() > 0 ? host::kNoWaitHandle : driver.fd;
  }
  return true;
}

CSerialPort* OpenPort(int32_t index, int32_t baud, uint8_t parity, int32_t dataBits,
                      int32_t stopBits) {
  return Open(index, PortDevice(index), baud, parity, dataBits, stopBits);
}

CSerialPort* OpenPortPath(const char* path, int32_t baud, uint8_t parity, int32_t dataBits,
                          int32_t stopBits) {
  return Open(-1, path ? path : "", baud, parity, dataBits, stopBits);
}
