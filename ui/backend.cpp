#include "ui/backend.h"

#include "host/message_pump.h"
#include "ui/timers.h"

namespace ui {
namespace {
Backend* installed = nullptr;
}

void SetBackend(Backend* backend) {
  installed = backend;
  host::SetMessagePump(backend != nullptr ? &DispatchPendingMessages : nullptr);
  if (backend != nullptr) backend->ScheduleTimers(Timers().MsUntilNextDue());
}

Backend* CurrentBackend() { return installed; }

void DispatchPendingMessages() {
  if (installed == nullptr) return;
  installed->ProcessPendingEvents();
  Timers().FireDue();
}

}  // namespace ui
