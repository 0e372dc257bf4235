#pragma once
// The application object: unpacks a ROM package named on the command line, then runs the main
// window; the program ends when the main window closes.

#include "ui/win_app.h"

class CDownloadApp : public ui::CWinApp {
 protected:
  void InitInstance() override;
};

extern CDownloadApp g_DownloadApp;
