#include "serial/port_object.h"

#include <cstdlib>
#include <new>

#include "serial/status_dump.h"

namespace {

CSerialPort* listHead = nullptr;
bool closerRegistered = false;
CSerialPort fallbackPort{};

int32_t Unsupported(CSerialPort* port) { return port->status = PORT_UNSUPPORTED; }

int32_t DefaultClose(CSerialPort* port) {
  ReleasePortObject(port);
  return PORT_OK;
}

int32_t ResetStatus(CSerialPort* port) {
  port->status = PORT_OK;
  return PORT_OK;
}

constexpr SerialOperations kDefaultOperations = {
    .GetChar = Unsupported,
    .Reserved2 = Unsupported,
    .PutChar = [](CSerialPort* port, uint8_t) { return Unsupported(port); },
    .ClosePort = DefaultClose,
    .SetLineParams = [](CSerialPort* port, int32_t, uint8_t, int32_t,
                        int32_t) { return Unsupported(port); },
    .SetXonXoff = [](CSerialPort* port, int32_t) { return Unsupported(port); },
    .SetRtsCts = [](CSerialPort* port, int32_t) { return Unsupported(port); },
    .SetDtrDsr = [](CSerialPort* port, int32_t) { return Unsupported(port); },
    .SetDtr = [](CSerialPort* port, int32_t) { return Unsupported(port); },
    .SetRts = [](CSerialPort* port, int32_t) { return Unsupported(port); },
    .TxFree = Unsupported,
    .TxCount = Unsupported,
    .RxFree = Unsupported,
    .RxCount = Unsupported,
    .ClearTx = Unsupported,
    .PutBytes = [](CSerialPort* port, const uint8_t*, uint32_t) { return Unsupported(port); },
    .GetBytes = [](CSerialPort* port, uint8_t*, uint32_t) { return Unsupported(port); },
    .DumpStatus = DumpNotSupported,
    .SendBreak = [](CSerialPort* port, int32_t) { return Unsupported(port); },
    .ModemStatus = Unsupported,
    .LineStatus = Unsupported,
    .ClearLineStatus = Unsupported,
    .Reserved23 = Unsupported,
    .ClearStatus = ResetStatus,
};

void RegisterCloserOnce() {
  if (closerRegistered) return;
  closerRegistered = true;
  std::atexit(CloseAllPorts);
}

bool IsLinked(const CSerialPort* port) {
  for (const CSerialPort* p = listHead; p; p = p->next) {
    if (p == port) return true;
  }
  return false;
}

void Link(CSerialPort* port) {
  RegisterCloserOnce();
  port->next = listHead;
  listHead = port;
}

void Unlink(CSerialPort* port) {
  for (CSerialPort** link = &listHead; *link; link = &(*link)->next) {
    if (*link == port) {
      *link = port->next;
      port->next = nullptr;
      return;
    }
  }
}

CSerialPort* HandOutFallback() {
  fallbackPort.driver = nullptr;
  fallbackPort.portIndex = -1;
  fallbackPort.status = PORT_NO_MEMORY;
  fallbackPort.count = 0;
  fallbackPort.ops = kDefaultOperations;
  if (!IsLinked(&fallbackPort)) Link(&fallbackPort);
  return &fallbackPort;
}

}  // namespace

const SerialOperations& DefaultOperations() { return kDefaultOperations; }

CSerialPort* NewPortObject() {
  // Ownership passes to the list; ReleasePortObject is the one place that deletes.
  auto* port = new (std::nothrow) CSerialPort{};
  if (!port) return HandOutFallback();
  port->ops = kDefaultOperations;
  Link(port);
  return port;
}

CSerialPort* AttachDriverState(CSerialPort* port, int32_t index) {
  if (IsFallbackPort(port)) return port;
  port->driver = new (std::nothrow) SerialDriverState{};
  if (!port->driver) {
    ReleasePortObject(port);
    return HandOutFallback();
  }
  port->portIndex = index;
  return port;
}

bool IsFallbackPort(const CSerialPort* port) { return port == &fallbackPort; }

void ReleasePortObject(CSerialPort* port) {
  Unlink(port);
  if (IsFallbackPort(port)) return;
  delete port->driver;
  delete port;
}

CSerialPort* FirstPort() { return listHead; }

void CloseAllPorts() {
  while (CSerialPort* port = listHead) {
    port->ops.ClosePort(port);
    // A ClosePort that failed to unlink must not keep the handler from ending.
    if (listHead == port) ReleasePortObject(port);
  }
}

int32_t GetCharThroughBytes(CSerialPort* port) {
  uint8_t byte = 0;
  const int32_t answer = port->ops.GetBytes(port, &byte, 1);
  return answer != PORT_OK ? answer : byte;
}

int32_t PutCharThroughBytes(CSerialPort* port, uint8_t byte) {
  return port->ops.PutBytes(port, &byte, 1);
}
