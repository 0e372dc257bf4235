#include "ui/tests/test_dialogs.h"

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

}  // namespace ui_test
