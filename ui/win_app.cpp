#include "ui/win_app.h"

#include "ui/backend.h"

namespace ui {
namespace {
CWinApp* registered = nullptr;
}

CWinApp::CWinApp() { registered = this; }

CWinApp::~CWinApp() {
  if (registered == this) registered = nullptr;
}

CWinApp* CurrentApp() { return registered; }

int CWinApp::Run(std::string commandLineTail) {
  commandLineTail_ = std::move(commandLineTail);
  InitInstance();
  return 0;
}

void CWinApp::OnHelp() {
  Backend* backend = CurrentBackend();
  if (backend != nullptr && !helpFile_.empty()) backend->OpenHelp(helpFile_);
}

void CWinApp::QuitHelp() {
  Backend* backend = CurrentBackend();
  if (backend != nullptr && !helpFile_.empty()) backend->QuitHelp(helpFile_);
}

std::string CommandLineTail(int argc, const char* const* argv) {
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  return tail;
}

}  // namespace ui
