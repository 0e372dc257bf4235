#pragma once
// The backend of a program without a display (a small board next to the calculator): windows
// live in memory, message boxes are written to standard error and answered with their first
// button, timers run on the host clock, and SIGINT or SIGTERM is the user closing the innermost
// window, delivered where messages are pumped like any other input; it wakes every wait.

#include <iosfwd>

#include "ui/backend.h"

namespace ui {

class ConsoleBackend final : public Backend {
 public:
  explicit ConsoleBackend(std::ostream& messages);

  // From now on SIGINT and SIGTERM close the innermost window instead of ending the process.
  void CatchInterrupts();

  std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& dialog, DialogWindow* owner) override;
  int ShowMessageBox(DialogWindow* owner, std::string_view text, std::string_view caption,
                     unsigned flags) override;
  void ProcessPendingEvents() override;
  // Timers are due no later than the wait's end: the framework bounds it by them.
  void ScheduleTimers(std::optional<uint32_t>) override {}
  void WaitForEvents(host::WaitHandle handle, uint32_t ms) override;
  void OpenHelp(const std::string&) override {}
  void QuitHelp(const std::string&) override {}
  bool ShowsMessagesAsText() const override { return true; }

 private:
  std::ostream& messages_;
};

}  // namespace ui
