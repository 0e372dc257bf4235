#pragma once
// A dialog window of the Qt backend: a QtDialog holding one widget per template control, placed
// at its template position converted to pixels.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_window.h"

class QAbstractItemView;
class QComboBox;
class QListWidget;
class QProgressBar;
class QWidget;

namespace ui {

class CDialog;
class QtDialog;
struct ControlTemplate;

class QtDialogWindow final : public DialogWindow {
 public:
  QtDialogWindow(CDialog& dialog, QWidget* parent);
  ~QtDialogWindow() override;

  QWidget* Widget() const;
  // The widget of control id; null when there is none. Tests use it to click and type.
  QWidget* ControlWidget(int id) const;

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
  void ListReserve(int, int, int) override {}

  void ProgressSetRange(int id, int maximum) override;
  void ProgressSetPos(int id, int position) override;
  int ProgressPos(int id) const override;
  int ProgressMaximum(int id) const override;

  void AppendSystemMenu(int command, std::string_view text) override;
  void SetIcon(int iconId, bool large) override;

 private:
  struct Control {
    const ControlTemplate* tmpl;
    QWidget* widget;
  };
  QWidget* CreateControl(const ControlTemplate& t);
  const Control* Find(int id) const;
  QListWidget* List(int id) const;
  QComboBox* Combo(int id) const;
  QProgressBar* Bar(int id) const;
  bool IsSorted(int id) const;
  std::vector<std::string> ListTexts(int id) const;

  CDialog& dialog_;
  std::unique_ptr<QtDialog> window_;
  std::map<int, Control> controls_;
  // Our own list changes must not look like the user's selection changes.
  bool changingLists_ = false;
};

}  // namespace ui
