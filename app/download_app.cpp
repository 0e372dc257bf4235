#include "app/download_app.h"

#include "app/main_dlg.h"
#include "app/resources.h"
#include "app/rom_package.h"
#include "quon_version.h"
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

std::optional<std::string> CommandLineAnswer(const std::string& tail) {
  if (tail == "--version") return "quon " QUON_VERSION_TEXT "\n";
  if (tail != "--help") return std::nullopt;
  return "usage: quon [PACKAGE]\n"
         "       quon --help | --version\n"
         "Opens the main window in the current folder, which holds \"quon.ini\" and the\n"
         "calculator's files. PACKAGE (everything after the program name) is a ROM package to\n"
         "unpack there first.\n";
}
