#include "host/clock.h"
#include "host/message_pump.h"
#include "serial/serial_port.h"

IdleHookFn IdleHook = PumpMessages;

int32_t PumpMessages(CSerialPort*) {
  host::DispatchPendingMessages();
  return 0;
}

int32_t PortDelay(CSerialPort* port, int32_t ms) {
  const uint32_t start = host::TickCount();
  while (ms > 0 && host::TicksSince(start) < static_cast<uint32_t>(ms)) {
    const int32_t answer = IdleHook(port);
    if (answer < 0) return answer;
  }
  return PORT_OK;
}
