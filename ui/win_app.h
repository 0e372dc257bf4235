#pragma once
// The application object: start-up with the command-line tail, the main window, and the help.

#include <string>
#include <utility>

namespace ui {

class CDialog;

class CWinApp {
 public:
  // The one application object of the process registers itself here.
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up: runs InitInstance with the tail; the program ends when it returns. Answers the
  // process's exit status.
  int Run(std::string commandLineTail);
  const std::string& CommandLineTail() const { return commandLineTail_; }

  void SetMainWindow(CDialog* window) { mainWindow_ = window; }
  CDialog* MainWindow() const { return mainWindow_; }

  void SetHelpFile(std::string path) { helpFile_ = std::move(path); }
  // The standard help: the help file in the viewer. Harmless when there is none.
  void OnHelp();
  // Tells the viewer that the program's help is no longer needed.
  void QuitHelp();

 protected:
  // A dialog-based program does all its work here, running its main window modally.
  virtual void InitInstance() = 0;

 private:
  std::string commandLineTail_;
  std::string helpFile_;
  CDialog* mainWindow_ = nullptr;
};

// The registered application object; null when none exists.
CWinApp* CurrentApp();

// The command-line tail on this host: the arguments after the program name joined with single
// blanks, so that an unquoted path with blanks comes back whole.
std::string CommandLineTail(int argc, const char* const* argv);

}  // namespace ui
