#include "ui/tests/test_dialogs.h"

#include <gtest/gtest.h>

#include "host/clock.h"
#include "host/message_pump.h"

namespace ui_test {

const ui::DialogTemplate& SampleTemplate(bool withDefault) {
  auto make = [](bool withDefault) {
    using ui::ControlClass;
    ui::DialogTemplate t;
    t.id = kSample;
    t.title = "Sample";
    t.width = 200;
    t.height = 120;
    t.controls = {
        {ControlClass::PushButton, kFirstButton, "First", {7, 7, 50, 14}, ui::kTabStop, {}},
        {ControlClass::ComboBox,
         kCombo,
         "",
         {7, 28, 80, 60},
         ui::kTabStop | ui::kDropDown | ui::kSorted | ui::kVScroll,
         {"Zulu", "alpha", "Mike"}},
        {ControlClass::GroupBox, ui::kIdStatic, "Group", {100, 4, 94, 40}, 0, {}},
        {ControlClass::Static, ui::kIdStatic, "Field", {106, 14, 40, 8}, 0, {}},
        {ControlClass::ListBox, kField, "", {106, 24, 80, 13}, ui::kNoSelection, {}},
        {ControlClass::ListBox, kLog, "", {7, 48, 186, 44}, ui::kVScroll | ui::kNoSelection, {}},
        {ControlClass::PushButton, kSecondButton, "Second", {7, 99, 50, 14}, ui::kTabStop, {}},
        {ControlClass::ProgressBar, kProgress, "", {62, 101, 76, 10}, 0, {}},
        {ControlClass::PushButton,
         ui::kIdOk,
         "OK",
         {143, 99, 50, 14},
         ui::kTabStop | (withDefault ? ui::kDefaultButton : 0u),
         {}},
    };
    return t;
  };
  static const ui::DialogTemplate withDefaultButton = make(true);
  static const ui::DialogTemplate withoutDefaultButton = make(false);
  return withDefault ? withDefaultButton : withoutDefaultButton;
}

bool SampleDialog::OnInitDialog() {
  bool focusFirst = CDialog::OnInitDialog();
  if (onInit) onInit(*this);
  return focusFirst;
}

void SampleDialog::DoDataExchange(ui::DataExchange& dx) {
  dx.Control(kCombo, combo);
  dx.Control(kLog, log);
  dx.Control(kField, field);
  dx.Control(kProgress, progress);
  dx.Text(kCombo, comboText);
}

bool SampleDialog::OnCommand(int id, int code) {
  commands.emplace_back(id, code);
  if (id == kSecondButton) {
    EndDialog(ui::kIdRetry);
    return true;
  }
  return CDialog::OnCommand(id, code);
}

void SampleDialog::OnTimer(int id) {
  if (onTimer) onTimer(*this, id);
}

void CheckControlRules(SampleDialog& dialog) {
  ui::CComboBox& combo = dialog.combo;
  EXPECT_EQ(combo.GetCount(), 3);
  EXPECT_EQ(combo.GetLBText(0), "alpha");
  EXPECT_EQ(combo.GetCurSel(), ui::kListError);  // filling the list selects nothing
  EXPECT_EQ(combo.AddString("beta"), 1);
  EXPECT_EQ(combo.InsertString(-1, "zz-unsorted-end"), 4);
  // Searching starts after the given item and wraps round.
  EXPECT_EQ(combo.FindString(0, "ALPHA"), 0);
  EXPECT_EQ(combo.SelectString(0, "m"), 2);
  EXPECT_EQ(combo.GetText(), "Mike");
  EXPECT_EQ(combo.SelectString(0, "none"), ui::kListError);
  EXPECT_EQ(combo.GetCurSel(), 2);
  EXPECT_EQ(combo.DeleteString(0), 4);
  EXPECT_EQ(combo.GetCurSel(), 1);
  combo.SetText("typed over");
  EXPECT_EQ(combo.GetCurSel(), ui::kListError);
  combo.ResetContent();
  EXPECT_EQ(combo.GetText(), "");
  EXPECT_EQ(combo.FindString(-1, ""), ui::kListError);

  ui::CListBox& log = dialog.log;
  log.InitStorage(10, 512);
  EXPECT_EQ(log.AddString("one"), 0);
  EXPECT_EQ(log.AddString("two"), 1);
  EXPECT_EQ(log.InsertString(1, "between"), 1);
  EXPECT_EQ(log.InsertString(9, "beyond"), ui::kListError);
  EXPECT_EQ(log.DeleteString(5), ui::kListError);
  EXPECT_EQ(log.GetText(2), "two");
  EXPECT_EQ(log.GetText(3), "");
  EXPECT_EQ(log.DeleteString(0), 2);
  EXPECT_EQ(log.GetCurSel(), ui::kListError);  // a list without selection

  ui::CListBox& field = dialog.field;
  field.AddString("1024");
  field.ResetContent();
  field.AddString("2048");
  EXPECT_EQ(field.GetCount(), 1);
  EXPECT_EQ(field.GetText(0), "2048");

  ui::CProgressCtrl& progress = dialog.progress;
  EXPECT_EQ(progress.GetRangeMaximum(), ui::kProgressDefaultMaximum);
  EXPECT_EQ(progress.GetPos(), 0);
  progress.SetRange(5000);
  progress.SetPos(3072);
  EXPECT_EQ(progress.GetPos(), 3072);
  progress.SetPos(6000);
  EXPECT_EQ(progress.GetPos(), 5000) << "held at the end";
  progress.SetPos(-1);
  EXPECT_EQ(progress.GetPos(), 0);
  progress.SetPos(3072);
  progress.SetRange(1000);
  EXPECT_EQ(progress.GetPos(), 1000) << "pulled in by a narrower range";
  progress.SetRange(0);
  EXPECT_EQ(progress.GetRangeMaximum(), 1);
}

void WaitPumping(uint32_t ms) {
  uint32_t start = host::TickCount();
  while (host::TicksSince(start) < ms) {
    host::SleepMs(10);
    host::DispatchPendingMessages();
  }
}

}  // namespace ui_test
