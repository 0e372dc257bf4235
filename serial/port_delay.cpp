#include <algorithm>

#include "host/clock.h"
#include "host/event_wait.h"
#include "host/message_pump.h"
#include "serial/input_wait.h"
#include "serial/serial_port.h"

IdleHookFn IdleHook = PumpMessages;

int32_t PumpMessages(CSerialPort*) {
  host::DispatchPendingMessages();
  return 0;
}

void WaitForPortEvent(CSerialPort* port, int32_t ms) {
  SerialDriverState* driver = port != nullptr ? port->driver : nullptr;
  if (ms <= 0 || driver == nullptr || driver->memoryEnd != nullptr) return;
  host::WaitHandle input = host::kNoWaitHandle;
  if (ArmInputWait(*driver, input)) host::WaitForEvents(input, static_cast<uint32_t>(ms));
}

int32_t PortWaitStep(CSerialPort* port, int32_t ms) {
  WaitForPortEvent(port, std::min(ms, PORT_WAIT_STEP_MS));
  return IdleHook(port);
}

int32_t PortDelay(CSerialPort* port, int32_t ms) {
  const uint32_t start = host::TickCount();
  for (;;) {
    const uint32_t elapsed = host::TicksSince(start);
    if (ms <= 0 || elapsed >= static_cast<uint32_t>(ms)) return PORT_OK;
    const int32_t answer = PortWaitStep(port, ms - static_cast<int32_t>(elapsed));
    if (answer < 0) return answer;
  }
}
