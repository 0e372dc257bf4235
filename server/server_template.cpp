#include "server/server_window.h"

namespace {

using ui::ControlClass;
using ui::ControlTemplate;

ControlTemplate Label(std::string text, int x, int y, int width) {
  return {ControlClass::Static, ui::kIdStatic, std::move(text), {x, y, width, 8}, 0, {}};
}

// A one-line list used as a read-only field.
ControlTemplate Field(int id, int x, int y, int width, int height) {
  return {ControlClass::ListBox, id, "", {x, y, width, height}, ui::kNoSelection, {}};
}

ControlTemplate Button(int id, std::string text, int x, int y, int width) {
  return {ControlClass::PushButton, id, std::move(text), {x, y, width, 14}, ui::kTabStop, {}};
}

ui::DialogTemplate BuildTemplate() {
  ui::DialogTemplate t;
  t.id = 0;
  t.title = "Orvo Server Status";
  t.width = 414;
  t.height = 306;
  t.style = ui::kModalFrame | ui::kSystemMenu | ui::kMinimizeBox;
  t.controls = {
      Label("Status", 7, 10, 40),
      Field(IDC_STATUS_LINE, 7, 20, 225, 13),
      Label("Log", 7, 37, 40),
      {ControlClass::ListBox,
       IDC_LOG,
       "",
       {7, 46, 225, 204},
       ui::kNoSelection | ui::kVScroll | ui::kNotify | ui::kTabStop,
       {}},
      {ControlClass::GroupBox, ui::kIdStatic, "Transfer Status", {242, 7, 165, 130}, 0, {}},
      Label("File", 252, 18, 100),
      Field(IDC_FILE, 252, 27, 150, 15),
      Label("CPS", 252, 48, 60),
      Field(IDC_CPS, 252, 57, 60, 15),
      Label("# Bytes TX", 252, 78, 60),
      Field(IDC_BYTES_TX, 252, 87, 60, 15),
      Label("File Size", 322, 78, 60),
      Field(IDC_FILE_SIZE, 322, 87, 60, 15),
      Label("Transfer Err Cnt", 252, 108, 64),
      Field(IDC_TRANSFER_ERRORS, 252, 117, 60, 15),
      Label("Block Err Cnt", 322, 108, 64),
      Field(IDC_BLOCK_ERRORS, 322, 117, 60, 15),
      Label("Protocol", 110, 267, 32),
      {ControlClass::ComboBox,
       IDC_PROTOCOL,
       "",
       {145, 265, 98, 60},
       ui::kDropDown | ui::kSorted | ui::kVScroll | ui::kTabStop,
       {"Xmodem1K-ZKCRC", "Xmodem128", "Xmodem1K-CHK"}},
      Button(IDC_DOWNLOAD_MODE, "Set calculator in download mode", 7, 285, 124),
      Button(IDC_CLEAR_LOG, "Clear Log and Reset", 190, 285, 80),
      Button(ui::kIdCancel, "Exit", 357, 285, 50),
  };
  return t;
}

}  // namespace

const ui::DialogTemplate& ServerStatusTemplate() {
  static const ui::DialogTemplate kTemplate = BuildTemplate();
  return kTemplate;
}
