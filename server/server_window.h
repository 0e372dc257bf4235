#pragma once
// The server window, "Orvo Server Status", shown modally by the main window's "Talk to Calc".

#include "ui/dialog.h"

class CServerStatusDlg : public ui::CDialog {
 public:
  CServerStatusDlg();

 protected:
  // The window handles only the cancel path; the OK command (Enter with no button focused)
  // takes it too, so that leaving always goes the one way.
  void OnOK() override;
};

// The one server window object, for the whole run.
extern CServerStatusDlg g_ServerStatusDlg;
