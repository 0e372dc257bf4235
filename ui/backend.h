#pragma once
// The window system behind the dialogs. One backend is installed per process; installing it also
// registers the framework's message pump and the backend's wait with the host layer, so that
// every wait of the serial layer and the transfer engine keeps the windows alive and sleeps
// until something happens.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/event_wait.h"
#include "ui/dialog_window.h"

namespace ui {

class CDialog;

class Backend {
 public:
  virtual ~Backend() = default;

  // The window of dialog, built from its template with every control (combo boxes filled from
  // their items), not yet shown. owner is the window it is modal to, or null.
  virtual std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& dialog,
                                                           DialogWindow* owner) = 0;
  // A modal message box; answers the id of the button that closed it.
  virtual int ShowMessageBox(DialogWindow* owner, std::string_view text, std::string_view caption,
                             unsigned flags) = 0;
  // Handles whatever input and window events are pending, without waiting. Framework timers are
  // not the backend's: DispatchPendingMessages fires them after this.
  virtual void ProcessPendingEvents() = 0;
  // The earliest framework timer falls due in this many milliseconds (none: no timer is set);
  // the backend's own loop must call FireDueTimers by then.
  virtual void ScheduleTimers(std::optional<uint32_t> msUntilDue) = 0;
  // Blocks until input is pending, handle (unless host::kNoWaitHandle) is ready, or ms pass;
  // may dispatch what woke it. Timers are the backend's to wake it by: SetBackend's waiter never
  // asks for longer than until the next one is due. The default watches the handle alone.
  virtual void WaitForEvents(host::WaitHandle handle, uint32_t ms) {
    host::WaitForHandle(handle, ms);
  }
  // Shows the program's help file.
  virtual void OpenHelp(const std::string& helpFile) = 0;
  // The program no longer needs the help viewer it opened.
  virtual void QuitHelp(const std::string& helpFile) = 0;
  // Message boxes are lines written to a stream, not windows (a program without a display).
  virtual bool ShowsMessagesAsText() const { return false; }
};

// Installs backend for the process (nullptr uninstalls) and registers its message pump and its
// wait with the host layer.
void SetBackend(Backend* backend);
// nullptr when none is installed.
Backend* CurrentBackend();

// The pump: pending events first, then every framework timer that is due. Re-entrant: a timer's
// handler may call it again, and the ticks that fall due meanwhile run inside that handler.
void DispatchPendingMessages();

class ScopedBackend {
 public:
  explicit ScopedBackend(Backend& backend) { SetBackend(&backend); }
  ~ScopedBackend() { SetBackend(nullptr); }
  ScopedBackend(const ScopedBackend&) = delete;
  ScopedBackend& operator=(const ScopedBackend&) = delete;
};

}  // namespace ui
