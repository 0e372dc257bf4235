#include "app/resources.h"

#include "quon_version.h"

namespace {

using ui::ControlClass;

constexpr uint32_t kButton = ui::kTabStop;

}  // namespace

const ui::DialogTemplate& AboutBoxTemplate() {
  static const ui::DialogTemplate t{
      IDD_ABOUTBOX,
      "About Quon",
      200,
      74,
      "MS Sans Serif",
      8,
      ui::kModalFrame | ui::kSystemMenu,
      {
          {ControlClass::Static,
           ui::kIdStatic,
           "Quon version " QUON_VERSION,
           {10, 10, 180, 8},
           0,
           {}},
          {ControlClass::Static,
           ui::kIdStatic,
           "Serves a graphing calculator over a serial line: it answers the calculator's get and "
           "put requests and moves the files by XMODEM.",
           {10, 24, 180, 24},
           0,
           {}},
          {ControlClass::PushButton,
           ui::kIdOk,
           "OK",
           {143, 53, 50, 14},
           kButton | ui::kDefaultButton,
           {}},
      }};
  return t;
}

const ui::DialogTemplate& MainDialogTemplate() {
  static const ui::DialogTemplate t{
      IDD_QUON_DIALOG,
      "Quon",
      174,
      98,
      "MS Sans Serif",
      8,
      ui::kModalFrame | ui::kSystemMenu | ui::kAppWindow,
      {
          {ControlClass::PushButton, ui::kIdCancel, "Exit", {117, 33, 50, 14}, kButton, {}},
          {ControlClass::PushButton, IDC_CONFIG_COMMS, "Config Comms", {7, 7, 52, 14}, kButton, {}},
          {ControlClass::PushButton,
           IDC_TALK_TO_CALC,
           "Talk to Calc",
           {7, 34, 51, 14},
           kButton,
           {}},
          {ControlClass::GroupBox,
           ui::kIdStatic,
           "Information you should read",
           {7, 56, 160, 35},
           0,
           {}},
          {ControlClass::Static,
           ui::kIdStatic,
           "The Quon section of the online help.",
           {15, 70, 146, 8},
           0,
           {}},
      }};
  return t;
}

const ui::DialogTemplate& PortSettingsTemplate() {
  static const ui::DialogTemplate t{
      IDD_PORT_SETTINGS,
      "Config Comms port",
      123,
      68,
      "MS Sans Serif",
      8,
      ui::kModalFrame | ui::kSystemMenu,
      {
          {ControlClass::PushButton,
           ui::kIdOk,
           "OK",
           {66, 47, 50, 14},
           kButton | ui::kDefaultButton,
           {}},
          {ControlClass::PushButton, ui::kIdCancel, "Cancel", {7, 47, 50, 14}, kButton, {}},
          {ControlClass::Static, ui::kIdStatic, "Comm Port", {17, 26, 35, 8}, 0, {}},
          {ControlClass::ComboBox,
           IDC_PORT_COMBO,
           "",
           {58, 24, 48, 45},
           ui::kTabStop | ui::kDropDown | ui::kSorted | ui::kVScroll,
           {"COMM 1", "COMM 2"}},
      }};
  return t;
}

std::string LoadResourceString(int id) {
  switch (id) {
    case IDS_ABOUTBOX:
      return "&About Quon...";
    default:
      return {};
  }
}
