#pragma once
// The main window (template 102): the launcher. It loads the settings when it opens and writes
// them back when the user leaves it, runs the port settings dialog and the server window, and
// shows the About box from its system menu.

#include "ui/dialog.h"

class CMainDlg : public ui::CDialog {
 public:
  CMainDlg();

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  // The window handles only the cancel path; an OK command (Enter with no button focused) takes
  // it too, so that leaving always saves the settings.
  void OnOK() override;
  void OnCancel() override;
  void OnSysCommand(int command) override;
  void OnDestroy() override;

 private:
  void OnConfigComms();
  void OnTalkToCalc();

  int icon_;
};

// The window "Talk to Calc" runs. The server window is registered by the executable that links
// it, so that the application shell does not depend on the server; null leaves the button idle.
void SetServerWindow(ui::CDialog* window);
