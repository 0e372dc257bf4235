#include <algorithm>

#include "host/clock.h"
#include "host/event_wait.h"
#include "host/message_pump.h"
#include "serial/gathered_output.h"
#include "serial/input_wait.h"
#include "serial/serial_port.h"

IdleHookFn IdleHook = PumpMessages;

int32_t PumpMessages(CSerialPort*) {
  host::DispatchPendingMessages();
  return 0;
}

void WaitForPortEvent(CSerialPort* port, int32_t ms) {
  SerialDriverState* driver = port != nullptr ? port->driver : nullptr;
  if (driver == nullptr) return;
  // Whatever waits, the peer must have what was written: it may be what it answers.
  FlushOutput(port);
  if (ms <= 0 || driver->memoryEnd != nullptr) return;
  host::WaitHandle input = host::kNoWaitHandle;
  if (ArmInputWait(*driver, input)) host::WaitForEvents(input, static_cast<uint32_t>(ms));
}

// While the line is still sending what was written, nothing but input or a window event can
// change for the waiter, so the step lasts as long as the line needs (about a block's time on a
// paced line) rather than a few milliseconds.
int32_t PortWaitStep(CSerialPort* port, int32_t ms) {
  int32_t step = PORT_WAIT_STEP_MS;
  if (port != nullptr && port->driver != nullptr)
    step = std::max(step, LineTimeLeft(*port->driver));
  WaitForPortEvent(port, std::min(ms, step));
  return IdleHook(port);
}

int32_t PortInputWaitStep(CSerialPort* port, int32_t ms) {
  FlushOutput(port);
  SerialDriverState* driver = port != nullptr ? port->driver : nullptr;
  host::WaitHandle input = host::kNoWaitHandle;
  const bool onlyInputAwaited = driver != nullptr && driver->memoryEnd == nullptr &&
                                driver->output.size == 0 && !driver->output.refused;
  if (!onlyInputAwaited || !ArmInputWait(*driver, input) || input == host::kNoWaitHandle)
    return PortWaitStep(port, ms);
  if (ms > 0) host::WaitForEvents(input, static_cast<uint32_t>(ms));
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
