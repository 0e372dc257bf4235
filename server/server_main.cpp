// quon-server: the server window without a display. Run in the folder that holds "quon.ini" and
// the calculator's files; prints every log line and each change of the line state as it happens.

#include <cstring>
#include <iostream>

#include "app/settings.h"
#include "server/server_window.h"
#include "ui/console_backend.h"

namespace {

constexpr const char* kUsage =
    "usage: quon-server\n"
    "Serves the calculator on the port that \"quon.ini\" in the current folder names (section\n"
    "\"serial\": port, device1/device2, baud, parity, length, stopbits, protocol) until SIGINT\n"
    "or SIGTERM. Log lines and line states go to standard output.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
    (help ? std::cout : std::cerr) << kUsage;
    return help ? 0 : 2;
  }

  ui::ConsoleBackend backend(std::cerr);
  ui::ScopedBackend useBackend(backend);
  backend.CatchInterrupts();

  g_CommSettings.LoadSettings();
  g_ServerStatusDlg.SetLineObserver({
      [](const std::string& line) { std::cout << line << std::endl; },
      [](const std::string& state) { std::cout << "Status: " << state << std::endl; },
  });
  g_ServerStatusDlg.DoModal();
  return g_ServerStatusDlg.OpenFailed() ? 1 : 0;
}
