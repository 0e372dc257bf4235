#pragma once
// The application object: unpacks a ROM package named on the command line, then runs the main
// window; the program ends when the main window closes.

#include <optional>
#include <string>

#include "app/command_line_answer.h"
#include "ui/win_app.h"

class CDownloadApp : public ui::CWinApp {
 protected:
  void InitInstance() override;
};

extern CDownloadApp g_DownloadApp;

// What quon answers for a command-line tail of "--help", "--version" or an unknown option;
// nullopt for any other tail, which names a folder or a package.
std::optional<CommandLineAnswer> AnswerQuonCommandLine(const std::string& tail);
