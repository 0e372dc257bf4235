// What the dialog framework's message pump costs the serial layer's waits, which call it in a
// loop for as long as they wait: once with nothing due, on the scripted backend and on Qt
// (offscreen) with a window shown and its 250 ms timer set.
//
//   QT_QPA_PLATFORM=offscreen build/default/bench/bench_ui_pump

#include <QApplication>
#include <chrono>
#include <cstdio>

#include "host/fake_clock.h"
#include "host/message_pump.h"
#include "ui/dialog.h"
#include "ui/headless_backend.h"
#include "ui/qt/backend.h"

namespace {

using Clock = std::chrono::steady_clock;

const ui::DialogTemplate& BenchTemplate() {
  static const ui::DialogTemplate t{
      1,
      "Pump",
      120,
      60,
      "MS Sans Serif",
      8,
      ui::kSystemMenu,
      {{ui::ControlClass::ListBox, 10, "", {7, 7, 100, 40}, ui::kVScroll, {}},
       {ui::ControlClass::PushButton, ui::kIdCancel, "Exit", {7, 45, 50, 14}, ui::kTabStop, {}}}};
  return t;
}

// Measures the pump from inside the first tick, as a transfer running in a tick would call it.
class PumpingDialog : public ui::CDialog {
 public:
  explicit PumpingDialog(const char* name) : CDialog(BenchTemplate()), name_(name) {}

 protected:
  bool OnInitDialog() override {
    SetTimer(1, 10);
    return CDialog::OnInitDialog();
  }
  void OnTimer(int) override {
    if (measured_) return;
    measured_ = true;
    KillTimer(1);
    SetTimer(2, 250);  // a server-like tick that is never due during the loop
    constexpr int kCalls = 200'000;
    const auto start = Clock::now();
    for (int i = 0; i < kCalls; ++i) host::DispatchPendingMessages();
    const double ns = std::chrono::duration<double>(Clock::now() - start).count() * 1e9 / kCalls;
    std::printf("%-30s %8.0f ns per pump\n", name_, ns);
    EndDialog(ui::kIdOk);
  }

 private:
  const char* name_;
  bool measured_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  {
    host::FakeClock clock;
    host::ScopedClock installed(clock);
    ui::HeadlessBackend headless(clock);
    ui::ScopedBackend backend(headless);
    headless.After(1000, [](ui::HeadlessWindow&) {});  // keeps the window waiting for its tick
    PumpingDialog dialog("scripted backend");
    dialog.DoModal();
  }
  {
    QApplication qt(argc, argv);
    ui::QtBackend backend;
    ui::ScopedBackend installed(backend);
    PumpingDialog dialog("Qt backend (offscreen)");
    dialog.DoModal();
  }
  return 0;
}
