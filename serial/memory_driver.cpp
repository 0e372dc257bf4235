// The in-memory driver: the platform driver's behaviour over a MemoryLine end, so that code
// written against CSerialPort runs unchanged in tests.

#include <algorithm>

#include "serial/gathered_output.h"
#include "serial/line_settings.h"
#include "serial/memory_line.h"
#include "serial/open_failure.h"
#include "serial/port_object.h"
#include "serial/status_dump.h"

namespace serial {

struct MemoryDriver {
  // A refusing device has no room: gathered bytes would otherwise pass for taken.
  static int32_t Room(CSerialPort* port, uint32_t) {
    MemoryEnd* end = port->driver->memoryEnd;
    if (!end || end->Unplugged()) return port->status = PORT_NOT_FOUND;
    port->driver->lineErrors |= end->TakeLineErrors();
    if (end->refuseWrites_) return 0;
    return std::max(port->driver->outQueueSize - end->TxCount(), 0);
  }
  static int32_t Write(CSerialPort* port, std::span<const uint8_t> bytes) {
    MemoryEnd* end = port->driver->memoryEnd;
    if (!end || end->Unplugged()) return port->status = PORT_NOT_FOUND;
    ++end->portWrites_;
    return static_cast<int32_t>(end->Write(bytes));
  }
  static int32_t ClosePort(CSerialPort* port) {
    if (MemoryEnd* end = port->driver->memoryEnd) {
      end->SetDtr(false);
      end->SetRts(false);
      end->port_ = nullptr;
    }
    ReleasePortObject(port);
    return PORT_OK;
  }
};

namespace {

// The end behind the port, or null when its line is gone or the end was unplugged; the caller
// then fails with PORT_NOT_FOUND, kept in status.
MemoryEnd* EndOf(CSerialPort* port) {
  MemoryEnd* end = port->driver->memoryEnd;
  if (!end || end->Unplugged()) {
    port->status = PORT_NOT_FOUND;
    return nullptr;
  }
  return end;
}

void QueryErrors(CSerialPort* port, MemoryEnd& end) {
  port->driver->lineErrors |= end.TakeLineErrors();
}

int32_t Apply(CSerialPort* port) {
  MemoryEnd* end = EndOf(port);
  return end ? end->ApplyDcb(port->driver->dcb) : PORT_NOT_FOUND;
}

int32_t GetBytes(CSerialPort* port, uint8_t* buffer, uint32_t length) {
  port->count = 0;
  MemoryEnd* end = EndOf(port);
  if (!end) return PORT_NOT_FOUND;
  QueryErrors(port, *end);
  if (end->RxCount() == 0) return PORT_RX_EMPTY;
  port->count = end->Read(std::span(buffer, length));
  return PORT_OK;
}

using Output = GatheredOutput<MemoryDriver::Room, MemoryDriver::Write>;

int32_t RxCount(CSerialPort* port) {
  MemoryEnd* end = EndOf(port);
  if (!end) return PORT_NOT_FOUND;
  QueryErrors(port, *end);
  return end->RxCount();
}

int32_t TxCount(CSerialPort* port) {
  MemoryEnd* end = EndOf(port);
  if (!end) return PORT_NOT_FOUND;
  QueryErrors(port, *end);
  return end->TxCount() + static_cast<int32_t>(port->driver->output.size);
}

int32_t RxFree(CSerialPort* port) {
  const int32_t waiting = RxCount(port);
  return waiting < 0 ? waiting : port->driver->inQueueSize - waiting;
}

int32_t TxFree(CSerialPort* port) {
  const int32_t waiting = TxCount(port);
  return waiting < 0 ? waiting : port->driver->outQueueSize - waiting;
}

int32_t ClearTx(CSerialPort* port) {
  MemoryEnd* end = EndOf(port);
  if (!end) return PORT_NOT_FOUND;
  port->driver->output.size = 0;
  end->ClearTx();
  return PORT_OK;
}

int32_t SendBreak(CSerialPort* port, int32_t ms) {
  MemoryEnd* end = EndOf(port);
  if (!end) return PORT_NOT_FOUND;
  FlushOutput(port);
  end->SetBreak(true);
  PortDelay(port, ms);
  // The hook may have run the line's owner, which can have destroyed the line.
  if ((end = port->driver->memoryEnd)) end->SetBreak(false);
  return PORT_OK;
}

int32_t ModemStatus(CSerialPort* port) {
  MemoryEnd* end = EndOf(port);
  return end ? end->ModemInputs() & 0xFF : 0;
}

int32_t LineStatus(CSerialPort* port) {
  MemoryEnd* end = EndOf(port);
  if (!end) return PORT_NOT_FOUND;
  QueryErrors(port, *end);
  return static_cast<int32_t>(port->driver->lineErrors & 0x1E);
}

int32_t ClearLineStatus(CSerialPort* port) {
  port->driver->lineErrors = 0;
  return PORT_OK;
}

void InstallOperations(SerialOperations& ops) {
  ops.GetChar = GetCharThroughBytes;
  ops.PutChar = PutCharThroughBytes;
  ops.ClosePort = MemoryDriver::ClosePort;
  InstallLineSetters<Apply>(ops);
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

}  // namespace

CSerialPort* MemoryLine::OpenPort(LineSide side, int32_t baud, uint8_t parity, int32_t dataBits,
                                  int32_t stopBits) {
  ForgetOpenFailure();
  CSerialPort* port = AttachDriverState(NewPortObject(), side);
  if (IsFallbackPort(port)) return port;
  MemoryEnd& end = End(side);
  if (end.port_ || end.unplugged_) {
    port->status = end.unplugged_ ? PORT_NOT_FOUND : PORT_IN_USE;
    return port;
  }
  SerialDriverState& driver = *port->driver;
  driver.inQueueSize = end.config_.rxQueueSize;
  driver.outQueueSize = end.config_.txQueueSize;
  driver.lineErrors = 0;
  driver.memoryEnd = &end;
  driver.output.flush = Output::Flush;
  end.port_ = port;
  end.pendingErrors_ = 0;
  port->status = PORT_OK;
  driver.dcb.DCBlength = sizeof(DCB);
  PrepareOpenDcb(driver);
  InstallOperations(port->ops);
  SetOpeningLineParams(port, baud, parity, dataBits, stopBits);
  return port;
}

}  // namespace serial
