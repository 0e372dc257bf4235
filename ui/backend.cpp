#include "ui/backend.h"

#include <algorithm>

#include "host/event_wait.h"
#include "host/message_pump.h"
#include "ui/timers.h"

namespace ui {
namespace {
Backend* installed = nullptr;

// A timer falling due ends the wait, so that it fires on time while the engine waits.
void WaitForBackendEvents(host::WaitHandle handle, uint32_t ms) {
  ms = std::min(ms, Timers().MsUntilNextDue().value_or(ms));
  if (installed != nullptr && ms > 0) installed->WaitForEvents(handle, ms);
}

}  // namespace

void SetBackend(Backend* backend) {
  installed = backend;
  host::SetMessagePump(backend != nullptr ? &DispatchPendingMessages : nullptr);
  host::SetEventWaiter(backend != nullptr ? &WaitForBackendEvents : nullptr);
  if (backend != nullptr) backend->ScheduleTimers(Timers().MsUntilNextDue());
}

Backend* CurrentBackend() { return installed; }

void DispatchPendingMessages() {
  if (installed == nullptr) return;
  installed->ProcessPendingEvents();
  Timers().FireDue();
}

}  // namespace ui
