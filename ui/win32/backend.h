#pragma once
// The Windows backend: dialogs from the program's dialog template resources on the platform's
// dialog manager, message boxes, the message pump (PeekMessageA, TranslateMessage,
// DispatchMessageA) and one thread timer that wakes the framework's timers.

#include <windows.h>

#include <functional>
#include <string>

#include "ui/backend.h"

namespace ui {

class Win32Backend final : public Backend {
 public:
  // Shows a document in the viewer the system associates with it; answers whether it could.
  using DocumentOpener = std::function<bool(const std::string& path)>;

  // opener defaults to the shell's "open" verb.
  explicit Win32Backend(DocumentOpener opener = {});
  ~Win32Backend() override;

  std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& dialog, DialogWindow* owner) override;
  int ShowMessageBox(DialogWindow* owner, std::string_view text, std::string_view caption,
                     unsigned flags) override;
  void ProcessPendingEvents() override;
  void ScheduleTimers(std::optional<uint32_t> msUntilDue) override;
  // Any new message (timers included) or the device's event ends the wait.
  void WaitForEvents(host::WaitHandle handle, uint32_t ms) override;
  void OpenHelp(const std::string& helpFile) override;
  void QuitHelp(const std::string& helpFile) override;

 private:
  static void CALLBACK Wake(HWND, UINT, UINT_PTR, DWORD);

  DocumentOpener opener_;
  UINT_PTR timer_ = 0;
};

// The platform window of a dialog window made by this backend; null for any other.
HWND NativeHandle(DialogWindow* window);

}  // namespace ui
