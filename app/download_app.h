#pragma once
// The application object: unpacks a ROM package named on the command line, then runs the main
// window; the program ends when the main window closes.

#include <optional>
#include <string>

#include "ui/win_app.h"

class CDownloadApp : public ui::CWinApp {
 protected:
  void InitInstance() override;
};

extern CDownloadApp g_DownloadApp;

// What the program prints for a command-line tail of exactly "--help" or "--version"; nullopt for
// any other tail, which names a package.
std::optional<std::string> CommandLineAnswer(const std::string& tail);
