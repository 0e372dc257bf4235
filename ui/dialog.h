#pragma once
// Our dialog framework: the dialogs of the program are written once, against this header, and run
// on whichever backend the executable installs.
//
// How the pieces fit:
// - A DialogTemplate (ui/dialog_template.h) is plain data: title, size and font, and the
//   controls in tab order with id, class, text, style and position, all in dialog units.
// - A CDialog names its template and reacts to events through virtual handlers (OnInitDialog,
//   OnCommand, OnOK, OnCancel, OnTimer, OnSysCommand, OnHelp). The object outlives its window:
//   DoModal asks the Backend for a DialogWindow built from the template, runs OnInitDialog, then
//   the backend's modal loop, and destroys the window when EndDialog has been called. Controls are
//   reached by id, through control handles (ui/controls.h) bound in DoDataExchange.
// - A Backend (ui/backend.h) owns the real windows: Qt widgets on Linux, in-memory controls with
//   scripted input for tests, a console for a headless program, native dialogs on Windows. It
//   turns clicks, keys and the close box into HandleCommand / HandleKey / HandleSysCommand.
//   Backends with native dialog keyboard handling (Windows) simply never call HandleKey.
// - Timers are the framework's own (ui/timers.h), keyed by dialog and id and measured on the host
//   clock. The backend only wakes up when the earliest is due; DispatchPendingMessages (the pump
//   that the serial layer's waits call) processes the backend's pending events and then fires due
//   timers, so a tick that runs a long transfer sees the later ticks run inside it, as the
//   platform's timer messages would. EndDialog kills the dialog's timers at once and marks it
//   ending; the modal loop returns when the handler still on the stack has returned.

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/dialog_template.h"
#include "ui/dialog_window.h"

namespace ui {

class ControlHandle;
class DataExchange;

enum class Key { Enter, Escape, F1 };

class CDialog {
 public:
  explicit CDialog(const DialogTemplate& dialogTemplate);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Shows the window modally, owned by the topmost modal window, and answers the result given
  // to EndDialog; -1 when it cannot be shown (no backend, or this dialog is already shown).
  int DoModal();
  // Ends the modal loop with result; nothing happens when the window is not shown.
  void EndDialog(int result);

  const DialogTemplate& Template() const { return template_; }
  bool IsShown() const { return window_ != nullptr; }
  bool IsEnding() const { return ending_; }
  // The live window; null while the dialog is not shown.
  DialogWindow* Window() const { return window_; }
  // The dialog whose modal loop runs innermost; null when none is shown.
  static CDialog* TopModal();

  // A periodic timer of this window (at least 10 ms, as on the platform); answers id, or 0 when
  // the window is not shown. Setting an existing id restarts it with the new period.
  int SetTimer(int id, uint32_t periodMs);
  bool KillTimer(int id);

  // A message box owned by this window.
  int ShowMessage(std::string_view text, std::string_view caption, unsigned flags);

  std::string GetItemText(int id) const;
  void SetItemText(int id, std::string_view text);
  // Exchanges every control bound in DoDataExchange with its field; false when not shown.
  bool UpdateData(bool saveAndValidate);

  bool HasSystemMenu() const;
  void AppendSystemMenu(int command, std::string_view text);
  void SetIcon(int iconId, bool large);

  // Entry points for backends; all are ignored while the window is not shown or is ending.
  void HandleCommand(int id, int code);
  void HandleSysCommand(int command);
  // The dialog keys, for backends without a native dialog keyboard interface: Enter gives the
  // focused push button's command, else the default button's, else kIdOk; Escape gives kIdCancel;
  // F1 gives the help command.
  void HandleKey(Key key);
  void HandleTimer(int id);

 protected:
  // Default: exchanges the data into the controls and answers true, which puts the focus on the
  // first tab stop; a dialog that set the focus itself answers false.
  virtual bool OnInitDialog();
  virtual void DoDataExchange(DataExchange& dx);
  // Default: kIdOk to OnOK, kIdCancel to OnCancel, kIdHelp to OnHelp. Answers whether handled.
  virtual bool OnCommand(int id, int code);
  // Default: reads the controls and ends with kIdOk.
  virtual void OnOK();
  // Default: ends with kIdCancel.
  virtual void OnCancel();
  virtual void OnTimer(int id);
  // Default: Close (kScClose) becomes the cancel command.
  virtual void OnSysCommand(int command);
  // Default: the application's help.
  virtual void OnHelp();
  // The window is about to be destroyed.
  virtual void OnDestroy();

 private:
  int EnterCommand() const;
  void FocusFirstTabStop();

  const DialogTemplate& template_;
  DialogWindow* window_ = nullptr;  // owned by DoModal's frame while shown
  bool ending_ = false;
  int result_ = -1;
};

// Exchanges data between a dialog's controls and its fields, in one direction per pass.
class DataExchange {
 public:
  DataExchange(CDialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}
  CDialog& Dialog() const { return dialog_; }
  // Binds a control member to its id (both directions).
  void Control(int id, ControlHandle& control);
  // The control's text to the field when saving, the field into the control otherwise.
  void Text(int id, std::string& field);

 private:
  CDialog& dialog_;
  bool saving_;
};

}  // namespace ui
