#include "ui/console_backend.h"

#include <csignal>
#include <ostream>

#include "host/event_wait.h"
#include "ui/console_wake.h"
#include "ui/dialog.h"
#include "ui/memory_window.h"
#include "ui/message_box.h"
#include "ui/timers.h"

namespace ui {
namespace {

// Longest sleep of an idle modal loop without timers; an interrupt wakes it at once.
constexpr uint32_t kMaxIdleSleepMs = 1000;

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
  interrupted = 1;
  console_wake::Ring();
}

class ConsoleWindow final : public MemoryWindow {
 public:
  using MemoryWindow::MemoryWindow;

  void RunModal() override {
    while (!ended_) {
      DispatchPendingMessages();
      if (ended_) break;
      host::WaitForEvents(host::kNoWaitHandle, kMaxIdleSleepMs);
    }
  }
  void EndModal() override { ended_ = true; }

 private:
  bool ended_ = false;
};

}  // namespace

ConsoleBackend::ConsoleBackend(std::ostream& messages) : messages_(messages) {}

void ConsoleBackend::CatchInterrupts() {
  console_wake::Open();
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
}

std::unique_ptr<DialogWindow> ConsoleBackend::CreateDialogWindow(CDialog& dialog, DialogWindow*) {
  return std::make_unique<ConsoleWindow>(dialog);
}

int ConsoleBackend::ShowMessageBox(DialogWindow*, std::string_view text, std::string_view caption,
                                   unsigned flags) {
  messages_ << caption << ": " << text << std::endl;
  return (flags & kMbButtonMask) == kMbYesNo ? kIdYes : kIdOk;
}

void ConsoleBackend::ProcessPendingEvents() {
  if (interrupted == 0) return;
  interrupted = 0;
  console_wake::Clear();
  if (CDialog* window = CDialog::TopModal()) window->HandleSysCommand(kScClose);
}

void ConsoleBackend::WaitForEvents(host::WaitHandle handle, uint32_t ms) {
  if (interrupted == 0) console_wake::Wait(handle, ms);
}

}  // namespace ui
