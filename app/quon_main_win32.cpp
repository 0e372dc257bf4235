// quon.exe: the program for Windows, on the platform's own dialogs and resources.

#include <windows.h>

#include <string>

#include "app/download_app.h"
#include "app/main_dlg.h"
#include "server/server_window.h"
#include "ui/win32/command_line.h"
#include "ui/win32/backend.h"

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

// A program of the windowing subsystem has no console of its own: the answer goes to standard
// output (an error to standard error) when that was redirected, else to the console it was
// started from, else into a box.
void Answer(const CommandLineAnswer& answer) {
  const bool error = answer.exitStatus != 0;
  const std::string& text = answer.text;
  HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  HANDLE console = INVALID_HANDLE_VALUE;
  if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    console =
        CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    out = console;
  }
  DWORD written = 0;
  const bool shown =
      out != nullptr && out != INVALID_HANDLE_VALUE &&
      WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
  if (!shown) {
    MessageBoxA(nullptr, text.c_str(), "Quon", MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string tail = ui::CommandLineTailOf(GetCommandLineA());
  if (const std::optional<CommandLineAnswer> answer = AnswerQuonCommandLine(tail)) {
    Answer(*answer);
    return answer->exitStatus;
  }
  ui::Win32Backend backend;
  ui::ScopedBackend installed(backend);
  g_DownloadApp.SetHelpFile(HelpFilePath());
  SetServerWindow(&g_ServerStatusDlg);
  return g_DownloadApp.Run(tail);
}
