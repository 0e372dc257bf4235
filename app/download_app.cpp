#include "app/download_app.h"

#include "app/main_dlg.h"
#include "app/resources.h"
#include "app/rom_package.h"
#include "host/current_directory.h"
#include "ui/message_box.h"

CDownloadApp g_DownloadApp;

namespace {

// The folder may also come in double quotes, as a shell or a file manager's command quotes a path
// with blanks; a package path never loses its quotes.
bool EnterFolder(const std::string& tail) {
  if (host::ChangeDirectory(tail)) return true;
  return tail.size() > 2 && tail.front() == '"' && tail.back() == '"' &&
         host::ChangeDirectory(tail.substr(1, tail.size() - 2));
}

}  // namespace

void CDownloadApp::InitInstance() {
  RegisterAppIcons();
  CMainDlg dialog;
  SetMainWindow(&dialog);
  // The whole tail is one path: a name with blanks is not split, quotes are not removed. A folder
  // is served as if the program had been started there, so its own "quon.ini" is loaded.
  const std::string& path = CommandLineTail();
  if (!path.empty() && !EnterFolder(path) && !UnpackRomPackage(path)) {
    ui::ShowMessageBox(nullptr, "Can not open input file", "Error", ui::kMbOk);
  }
  dialog.DoModal();
  SetMainWindow(nullptr);
}

std::optional<CommandLineAnswer> AnswerQuonCommandLine(const std::string& tail) {
  constexpr std::string_view kUsage =
      "usage: quon [FOLDER | PACKAGE]\n"
      "       quon --help | --version\n"
      "Opens the main window in the current folder, which holds \"quon.ini\" and the\n"
      "calculator's files. Everything after the program name is one path: a FOLDER to serve\n"
      "instead of the current one, or else a ROM PACKAGE to unpack there first.\n";
  return AnswerCommandLine("quon", kUsage, tail);
}
