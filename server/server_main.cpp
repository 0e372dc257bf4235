// quon-server: the server window without a display. Run in the folder that holds "quon.ini" and
// the calculator's files; prints every log line and each change of the line state as it happens.

#include <iostream>
#include <string>
#include <string_view>

#include "app/settings.h"
#include "quon_version.h"
#include "server/log_lines.h"
#include "server/server_window.h"
#include "ui/console_backend.h"

namespace {

std::string Usage() {
  return "usage: quon-server [--device DEVICE]\n"
         "       quon-server --list-ports\n"
         "Serves the calculator on the port that \"quon.ini\" in the current folder names "
         "(section\n"
         "\"serial\": port, device1/device2, baud, parity, length, stopbits, protocol) until "
         "SIGINT\n"
         "or SIGTERM. Log lines and line states go to standard output.\n"
         "  --device DEVICE  serve on DEVICE whatever the port; \"quon.ini\" is not changed\n"
         "  --list-ports     list the serial devices present\n"
         "When device1 (device2) is not set, COMM 1 (COMM 2) is the only USB serial adapter "
         "present,\n"
         "else " +
         host::BuiltInSerialDeviceRule() +
         ".\n"
         "Exit status: 0 after SIGINT or SIGTERM, 1 when the port cannot be opened, 2 usage "
         "error.\n";
}

int UsageError(std::string_view problem) {
  std::cerr << "quon-server: " << problem << "\n" << Usage();
  return 2;
}

int Serve() {
  ui::ConsoleBackend backend(std::cerr);
  ui::ScopedBackend useBackend(backend);
  backend.CatchInterrupts();

  g_CommSettings.LoadSettings();
  g_ServerStatusDlg.SetLineObserver({
      [](const std::string& line) { std::cout << line << std::endl; },
      [](const std::string& state) { std::cout << kLogStatusPrefix << state << std::endl; },
  });
  g_ServerStatusDlg.DoModal();
  return g_ServerStatusDlg.OpenFailed() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << Usage();
      return 0;
    }
    if (arg == "--version") {
      std::cout << "quon-server " QUON_VERSION_TEXT "\n";
      return 0;
    }
    if (arg == "--list-ports") {
      std::cout << host::DescribeSerialDevices(host::ListSerialDevices(host::DeviceRoot()));
      return 0;
    }
    if (arg == "--device" || arg.starts_with("--device=")) {
      const bool joined = arg.starts_with("--device=");
      if (!joined && i + 1 == argc) return UsageError("--device needs a DEVICE");
      g_CommSettings.deviceOverride = joined ? arg.substr(9) : argv[++i];
      if (g_CommSettings.deviceOverride.empty()) return UsageError("--device needs a DEVICE");
      continue;
    }
    return UsageError("unknown argument '" + std::string(arg) + "'");
  }
  return Serve();
}
