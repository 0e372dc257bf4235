#pragma once
// A small dialog of every control class, for the framework's own tests.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/dialog.h"

namespace ui_test {

enum : int {
  kSample = 500,
  kFirstButton = 1001,
  kSecondButton = 1002,
  kCombo = 1003,
  kLog = 1004,
  kField = 1005,
  kProgress = 1006,
};

// Buttons (OK is the default one when withDefault), a sorted combo box, a log, a one-line field,
// a progress bar.
// "Second" ends the dialog with kIdRetry through a handler of its own.
const ui::DialogTemplate& SampleTemplate(bool withDefault);

class SampleDialog : public ui::CDialog {
 public:
  explicit SampleDialog(bool withDefault = true) : CDialog(SampleTemplate(withDefault)) {}

  std::string comboText;
  std::vector<std::pair<int, int>> commands;  // id, notification code, in order
  std::function<void(SampleDialog&)> onInit;
  std::function<void(SampleDialog&, int id)> onTimer;
  ui::CComboBox combo;
  ui::CListBox log;
  ui::CListBox field;
  ui::CProgressCtrl progress;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnCommand(int id, int code) override;
  void OnTimer(int id) override;
};

// The list, combo box and progress bar behaviour every backend must show, checked on a shown
// SampleDialog.
void CheckControlRules(SampleDialog& dialog);

// Waits ms as the serial layer does: polling the tick count and pumping messages.
void WaitPumping(uint32_t ms);

}  // namespace ui_test
