#include "ui/console_backend.h"

#include <algorithm>
#include <csignal>
#include <ostream>

#include "host/clock.h"
#include "ui/dialog.h"
#include "ui/memory_window.h"
#include "ui/message_box.h"
#include "ui/timers.h"

namespace ui {
namespace {

// Longest sleep of an idle modal loop, so that an interrupt is seen within this time.
constexpr uint32_t kMaxIdleSleepMs = 20;

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) { interrupted = 1; }

class ConsoleWindow final : public MemoryWindow {
 public:
  using MemoryWindow::MemoryWindow;

  void RunModal() override {
    while (!ended_) {
      DispatchPendingMessages();
      if (ended_) break;
      const uint32_t wait = Timers().MsUntilNextDue().value_or(kMaxIdleSleepMs);
      if (wait > 0) host::SleepMs(std::min(wait, kMaxIdleSleepMs));
    }
  }
  void EndModal() override { ended_ = true; }

 private:
  bool ended_ = false;
};

}  // namespace

ConsoleBackend::ConsoleBackend(std::ostream& messages) : messages_(messages) {}

void ConsoleBackend::CatchInterrupts() {
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
  if (CDialog* window = CDialog::TopModal()) window->HandleSysCommand(kScClose);
}

}  // namespace ui
