// The desktop program's server window on Qt, alone: what `quon` shows after "Talk to Calc",
// started without the main window so that a script can measure it from outside
// (bench/xfer_throughput.sh). Reads "quon.ini" from the current folder and serves until killed.
//
//   QT_QPA_PLATFORM=offscreen build/default/bench/bench_server_window_qt

#include <QApplication>

#include "app/settings.h"
#include "server/server_window.h"
#include "ui/qt/backend.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  ui::QtBackend backend;
  ui::ScopedBackend installed(backend);
  g_CommSettings.LoadSettings();
  g_ServerStatusDlg.DoModal();
  return g_ServerStatusDlg.OpenFailed() ? 1 : 0;
}
