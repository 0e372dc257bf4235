// quon: the desktop program on the Qt backend.

#include <QApplication>
#include <filesystem>
#include <system_error>

#include "app/download_app.h"
#include "app/help_file.h"
#include "app/main_dlg.h"
#include "server/server_window.h"
#include "ui/qt/qt_backend.h"

namespace {

std::string HelpFilePath() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return FindHelpFile(exe.parent_path(), QUON_HELP_FROM_BINDIR);
}

}  // namespace

int main(int argc, char** argv) {
  // The command-line tail is ours alone: Qt sees only the program name, so that a package path
  // such as "-style" is never taken for one of its options.
  std::string tail = ui::CommandLineTail(argc, argv);
  int qtArgc = 1;
  QApplication qt(qtArgc, argv);

  ui::QtBackend backend;
  ui::ScopedBackend installed(backend);
  g_DownloadApp.SetHelpFile(HelpFilePath());
  SetServerWindow(&g_ServerStatusDlg);
  return g_DownloadApp.Run(tail);
}
