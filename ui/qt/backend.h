#pragma once
// The Qt 6 Widgets backend. Needs a QApplication that outlives it. Dialogs are drawn with
// Liberation Sans at 11 px on the Fusion style at fixed base units, so every layout comes out
// the same on every machine; the framework's timers are woken by one single-shot QTimer.

#include <functional>
#include <string>

#include <QTimer>

#include "ui/backend.h"

namespace ui {

class QtBackend final : public Backend {
 public:
  // Opens a document with the desktop's viewer; answers whether a viewer could be started.
  using DocumentOpener = std::function<bool(const std::string& path)>;

  // opener defaults to xdg-open, run detached; its absence is harmless.
  explicit QtBackend(DocumentOpener opener = {});
  ~QtBackend() override;

  std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& dialog, DialogWindow* owner) override;
  int ShowMessageBox(DialogWindow* owner, std::string_view text, std::string_view caption,
                     unsigned flags) override;
  void ProcessPendingEvents() override;
  void ScheduleTimers(std::optional<uint32_t> msUntilDue) override;
  // The event dispatcher's own wait, with a notifier on the device and a timer for ms.
  void WaitForEvents(host::WaitHandle handle, uint32_t ms) override;
  void OpenHelp(const std::string& helpFile) override;
  // The desktop's browser belongs to the user: nothing to tell it.
  void QuitHelp(const std::string&) override {}

 private:
  DocumentOpener opener_;
  QTimer wake_;
};

}  // namespace ui
