#include "app/download_app.h"

#include "app/main_dlg.h"
#include "app/resources.h"
#include "app/rom_package.h"
#include "ui/message_box.h"

CDownloadApp g_DownloadApp;

void CDownloadApp::InitInstance() {
  RegisterAppIcons();
  CMainDlg dialog;
  SetMainWindow(&dialog);
  // The whole tail is one path: a name with blanks is not split, quotes are not removed.
  const std::string& path = CommandLineTail();
  if (!path.empty() && !UnpackRomPackage(path)) {
    ui::ShowMessageBox(nullptr, "Can not open input file", "Error", ui::kMbOk);
  }
  dialog.DoModal();
  SetMainWindow(nullptr);
}
