// quon.exe: the program for Windows, on the platform's own dialogs and resources.

#include <windows.h>

#include <string>

#include "app/download_app.h"
#include "app/main_dlg.h"
#include "server/server_window.h"
#include "ui/win32/command_line.h"
#include "ui/win32/win32_backend.h"

namespace {

// The help page ships beside the program.
std::string HelpFilePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.rfind('\\') + 1) + "quon-help.html";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ui::Win32Backend backend;
  ui::ScopedBackend installed(backend);
  g_DownloadApp.SetHelpFile(HelpFilePath());
  SetServerWindow(&g_ServerStatusDlg);
  return g_DownloadApp.Run(ui::CommandLineTailOf(GetCommandLineA()));
}
