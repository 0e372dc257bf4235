#include "server/server_resources.h"

#include "xfer/send_variants.h"

namespace {

using ui::ControlClass;

// The one-line lists that serve as fields: one line, nothing to select or scroll.
constexpr uint32_t kField = ui::kNoSelection;

ui::ControlTemplate Label(const char* text, ui::DialogRect rect) {
  return {ControlClass::Static, ui::kIdStatic, text, rect, 0, {}};
}

ui::ControlTemplate Field(int id, ui::DialogRect rect) {
  return {ControlClass::ListBox, id, "", rect, kField, {}};
}

std::vector<std::string> ProtocolItems() {
  std::vector<std::string> items;
  for (const SendVariant& variant : SendVariants()) items.emplace_back(variant.name);
  return items;
}

}  // namespace

const ui::DialogTemplate& ServerStatusTemplate() {
  static const ui::DialogTemplate t{
      IDD_SERVER_STATUS,
      "Orvo Server Status",
      414,
      306,
      "MS Sans Serif",
      8,
      ui::kSystemMenu | ui::kMinimizeBox,
      {
          Label("Status", {7, 10, 60, 8}),
          Field(IDC_STATUS_LIST, {7, 20, 225, 13}),
          Label("Log", {7, 36, 60, 8}),
          {ControlClass::ListBox,
           IDC_LOG_LIST,
           "",
           {7, 46, 225, 204},
           ui::kNoSelection | ui::kVScroll | ui::kNotify | ui::kTabStop,
           {}},
          {ControlClass::GroupBox, ui::kIdStatic, "Transfer Status", {242, 7, 165, 175}, 0, {}},
          Label("File", {252, 17, 60, 8}),
          Field(IDC_FILE_NAME, {252, 27, 150, 15}),
          Label("CPS", {252, 47, 60, 8}),
          Field(IDC_CPS, {252, 57, 60, 15}),
          Label("# Bytes TX", {252, 77, 60, 8}),
          Field(IDC_BYTES_TX, {252, 87, 60, 15}),
          Label("File Size", {322, 77, 60, 8}),
          Field(IDC_FILE_SIZE, {322, 87, 60, 15}),
          Label("Transfer Err Cnt", {252, 107, 60, 8}),
          Field(IDC_TRANSFER_ERRORS, {252, 117, 60, 15}),
          Label("Block Err Cnt", {322, 107, 60, 8}),
          Field(IDC_BLOCK_ERRORS, {322, 117, 60, 15}),
          {ControlClass::ProgressBar, IDC_PROGRESS, "", {252, 137, 150, 10}, 0, {}},
          Label("Time left", {252, 152, 60, 8}),
          Field(IDC_TIME_LEFT, {252, 162, 60, 15}),
          Label("Protocol", {110, 267, 32, 8}),
          {ControlClass::ComboBox,
           IDC_PROTOCOL,
           "",
           {145, 265, 98, 60},
           ui::kDropDown | ui::kSorted | ui::kVScroll | ui::kTabStop,
           ProtocolItems()},
          {ControlClass::PushButton,
           IDC_DOWNLOAD_MODE,
           "Set calculator in download mode",
           {7, 285, 124, 14},
           ui::kTabStop,
           {}},
          {ControlClass::PushButton,
           IDC_CLEAR_LOG,
           "Clear Log and Reset",
           {190, 285, 80, 14},
           ui::kTabStop,
           {}},
          {ControlClass::PushButton, ui::kIdCancel, "Exit", {357, 285, 50, 14}, ui::kTabStop, {}},
      }};
  return t;
}
