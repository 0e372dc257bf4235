#include <algorithm>
#include <optional>

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

namespace {

// Hands the peer what was written; false when no sleep is due (no driver, the in-memory line, no
// time left).
bool HandOverOutput(CSerialPort* port, int32_t ms) {
  SerialDriverState* driver = port != nullptr ? port->driver : nullptr;
  if (driver == nullptr) return false;
  // Whatever waits, the peer must have what was written: it may be what it answers.
  FlushOutput(port);
  return ms > 0 && driver->memoryEnd == nullptr;
}

// HandOverOutput, then arms the wait for input; answers what to sleep on, or nothing when no
// sleep is due (HandOverOutput's reasons, or input ready).
std::optional<host::WaitHandle> PrepareWait(CSerialPort* port, int32_t ms) {
  if (!HandOverOutput(port, ms)) return std::nullopt;
  host::WaitHandle input = host::kNoWaitHandle;
  if (!ArmInputWait(*port->driver, input)) return std::nullopt;
  return input;
}

// While the line is still sending what was written, nothing but input or a window event can
// change for the waiter, so a step lasts as long as the line needs (about a block's time on a
// paced line) rather than a few milliseconds.
int32_t StepMs(const CSerialPort* port) {
  if (port == nullptr || port->driver == nullptr) return PORT_WAIT_STEP_MS;
  return std::max(PORT_WAIT_STEP_MS, LineTimeLeft(*port->driver));
}

}  // namespace

void WaitForPortEvent(CSerialPort* port, int32_t ms) {
  if (const auto input = PrepareWait(port, ms))
    host::WaitForEvents(*input, static_cast<uint32_t>(ms));
}

int32_t PortWaitStep(CSerialPort* port, int32_t ms) {
  WaitForPortEvent(port, std::min(ms, StepMs(port)));
  return IdleHook(port);
}

int32_t PortInputWaitStep(CSerialPort* port, int32_t ms) {
  if (const auto input = PrepareWait(port, ms)) {
    const SerialDriverState& driver = *port->driver;
    const bool onlyInputAwaited =
        *input != host::kNoWaitHandle && driver.output.size == 0 && !driver.output.refused;
    const int32_t step = onlyInputAwaited ? ms : std::min(ms, StepMs(port));
    host::WaitForEvents(*input, static_cast<uint32_t>(step));
  }
  return IdleHook(port);
}

int32_t PortDelay(CSerialPort* port, int32_t ms) {
  const uint32_t start = host::TickCount();
  for (;;) {
    const uint32_t elapsed = host::TicksSince(start);
    if (ms <= 0 || elapsed >= static_cast<uint32_t>(ms)) return PORT_OK;
    // On time alone: input, read or not, would end steps early, and a pause has no use for it.
    const int32_t left = ms - static_cast<int32_t>(elapsed);
    if (HandOverOutput(port, left)) {
      host::WaitForEvents(host::kNoWaitHandle, static_cast<uint32_t>(std::min(left, StepMs(port))));
    }
    const int32_t answer = IdleHook(port);
    if (answer < 0) return answer;
  }
}
