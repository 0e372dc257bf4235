#pragma once
// "Config Comms port" (template 146): the user picks the port; all five line values are checked
// on OK, and the dialog stays open with the first failing check's message until they pass.

#include <cstdint>
#include <string>

#include "ui/dialog.h"

class CPortSettingsDlg : public ui::CDialog {
 public:
  CPortSettingsDlg();

  std::string port = "COMM 1";
  std::string parity = "None";
  int32_t baud = 9600;
  std::string stopbits = "1";
  int32_t length = 8;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  void OnOK() override;
};

// The one port settings dialog, reused for every showing.
extern CPortSettingsDlg g_PortSettingsDlg;
