// quon: the desktop program on the Qt backend.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/download_app.h"
#include "app/help_file.h"
#include "app/main_dlg.h"
#include "server/server_window.h"
#include "ui/qt/backend.h"

namespace {

std::string HelpFilePath() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return FindHelpFile(exe.parent_path(), QUON_HELP_FROM_BINDIR);
}

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Qt aborts with a core dump when its platform plug-in finds no display server. The plug-ins
// named in QT_QPA_PLATFORM are tried in order ("wayland;xcb", options after ':'); any other
// than these two (offscreen, vnc, eglfs...) needs none.
bool HasDisplay() {
  const char* platforms = std::getenv("QT_QPA_PLATFORM");
  if (platforms == nullptr || *platforms == '\0')
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
  std::string_view rest = platforms;
  while (!rest.empty()) {
    const std::string_view entry = rest.substr(0, rest.find(';'));
    rest.remove_prefix(std::min(rest.size(), entry.size() + 1));
    const std::string_view name = entry.substr(0, entry.find(':'));
    if (name == "xcb") {
      if (IsSet("DISPLAY")) return true;
    } else if (name.starts_with("wayland")) {
      if (IsSet("WAYLAND_DISPLAY")) return true;
    } else if (!name.empty()) {
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // The command-line tail is ours alone: Qt sees only the program name, so that a package path
  // such as "-style" is never taken for one of its options.
  std::string tail = ui::CommandLineTail(argc, argv);
  if (const std::optional<CommandLineAnswer> answer = AnswerQuonCommandLine(tail)) {
    return PrintAnswer(*answer);
  }
  if (!HasDisplay()) {
    std::fputs(
        "quon: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
        "quon-server serves the calculator without one\n",
        stderr);
    return 1;
  }
  int qtArgc = 1;
  QApplication qt(qtArgc, argv);

  ui::QtBackend backend;
  ui::ScopedBackend installed(backend);
  g_DownloadApp.SetHelpFile(HelpFilePath());
  SetServerWindow(&g_ServerStatusDlg);
  return g_DownloadApp.Run(tail);
}
