#pragma once
// A dialog window whose controls live in memory: the base of backends that draw nothing (the
// scripted test backend, a console backend). The control operations are virtual through
// DialogWindow, so a console backend can report list and field changes by overriding them.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/dialog_window.h"

namespace ui {

class CDialog;
struct ControlTemplate;

class MemoryWindow : public DialogWindow {
 public:
  explicit MemoryWindow(CDialog& dialog);

  bool HasControl(int id) const override;
  std::string Text(int id) const override;
  void SetText(int id, std::string_view text) override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) const override;
  void SetFocus(int id) override;
  int Focus() const override { return focus_; }
  void SetToolTip(int id, std::string_view text) override;
  std::string ToolTip(int id) const;

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

  CDialog& Dialog() const { return dialog_; }
  const std::vector<std::string>& Items(int id) const;
  // The system menu entries appended so far; command 0 is a separator.
  const std::vector<std::pair<int, std::string>>& SystemMenu() const { return systemMenu_; }
  int Icon(bool large) const { return large ? largeIcon_ : smallIcon_; }
  // Lets a list hold at most capacity lines; the next insert reports the list out of space.
  void SetListCapacity(int id, size_t capacity);

 protected:
  struct Control {
    const ControlTemplate* tmpl = nullptr;
    std::string text;
    std::string toolTip;
    std::vector<std::string> items;
    int selection = -1;
    bool enabled = true;
    size_t capacity = SIZE_MAX;
    int progressPos = 0;
    int progressMaximum = kProgressDefaultMaximum;
  };
  Control* Find(int id);
  const Control* Find(int id) const;

 private:
  int InsertItem(int id, int index, std::string_view text);

  CDialog& dialog_;
  std::map<int, Control> controls_;
  int focus_ = -1;
  std::vector<std::pair<int, std::string>> systemMenu_;
  int largeIcon_ = 0;
  int smallIcon_ = 0;
};

}  // namespace ui
