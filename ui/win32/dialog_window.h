#pragma once
// A dialog on the platform's own dialog manager: the window is made from the dialog template
// resource of the same id (compiled from the resource script), hidden until RunModal shows it
// and runs the modal loop, in which the dialog manager handles Tab, Enter and Escape. Its owner is
// disabled from the window's making to its end.

#include <windows.h>

#include <string>
#include <string_view>

#include "ui/dialog_window.h"

namespace ui {

class CDialog;
struct ControlTemplate;

class Win32DialogWindow final : public DialogWindow {
 public:
  // Creates the window from the resource; Handle() is null when that failed.
  Win32DialogWindow(CDialog& dialog, HWND owner);
  ~Win32DialogWindow() override;

  HWND Handle() const { return hwnd_; }

  void RunModal() override;
  void EndModal() override;

  bool HasControl(int id) const override;
  std::string Text(int id) const override;
  void SetText(int id, std::string_view text) override;
  void Enable(int id, bool enabled) override;
  void SetToolTip(int id, std::string_view text) override;
  bool IsEnabled(int id) const override;
  void SetFocus(int id) override;
  int Focus() const override;

  int ListInsert(int id, int index, std::string_view text) override;
  int ListDelete(int id, int index) override;
  void ListReset(int id) override;
  int ListCount(int id) const override;
  std::string ListText(int id, int index) const override;
  int ListSelection(int id) const override;
  int SetListSelection(int id, int index) override;
  void ListReserve(int id, int items, int bytes) override;

  void ProgressSetRange(int id, int maximum) override;
  void ProgressSetPos(int id, int position) override;
  int ProgressPos(int id) const override;
  int ProgressMaximum(int id) const override;

  void AppendSystemMenu(int command, std::string_view text) override;
  void SetIcon(int iconId, bool large) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void FillListsFromTemplate();
  void PaintMinimised();
  const ControlTemplate* ListTemplate(int id) const;
  LRESULT SendToControl(int id, UINT message, WPARAM wParam, LPARAM lParam) const;
  // Lets the modal loop see the end: GetMessage must return to test it.
  void WakeModalLoop() const;

  CDialog& dialog_;
  HWND owner_;
  HWND hwnd_ = nullptr;
  HICON largeIcon_ = nullptr;
  HWND toolTips_ = nullptr;  // owned by the window, which destroys it
  bool ending_ = false;
  int pendingFocus_ = -1;  // asked for before the window was shown
};

}  // namespace ui
