// The server window on the Qt backend, offscreen, serving one get from the virtual calculator
// over a virtual line paced like a real one, grabbed to a PNG while the progress bar and the time
// left move and once the file has gone; then the line goes away and comes back, as an unplugged
// adapter does.

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>

#include "app/settings.h"
#include "server/log_lines.h"
#include "server/server_resources.h"
#include "server/server_window.h"
#include "tools/common/testing/child_process.h"
#include "tools/common/testing/test_files.h"
#include "ui/dialog_window.h"
#include "ui/qt/backend.h"
#include "ui/tests/script_qt.h"
#include "xfer/log_lines.h"

namespace {

using tools::testing::ChildProcess;

// Lets the window run (ticks, the transfer inside one) until done() or timeoutMs pass.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    ui::DispatchPendingMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::vector<std::string> ListLines(int id) {
  std::vector<std::string> lines;
  ui::DialogWindow* window = g_ServerStatusDlg.Window();
  for (int i = 0; window != nullptr && i < window->ListCount(id); ++i) {
    lines.push_back(window->ListText(id, i));
  }
  return lines;
}

// The one line of a field of the window, read from its widget.
std::string FieldText(QWidget& window, int id) {
  auto* field = qobject_cast<QListWidget*>(ui_test::ControlOf(window, id));
  return field != nullptr && field->count() > 0 ? field->item(0)->text().toStdString() : "";
}

class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& path)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~CurrentFolder() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

TEST(ServerWindowQt, ServesAGetSurvivesAnUnplugAndIsGrabbed) {
  tools::testing::TempDir dir;
  constexpr int kFileSize = 20000;
  tools::testing::WriteFileBytes(dir / "orvo1.obj", tools::testing::RandomBytes(kFileSize, 1));
  CurrentFolder inDir(dir.Path());
  std::unique_ptr<ChildProcess> line;
  const auto plugIn = [&] {
    std::filesystem::remove(dir / "ready");
    line = std::make_unique<ChildProcess>(
        std::vector<std::string>{NULLMODEM, "--baud", "38400", "--link-a", dir / "lineA",
                                 "--link-b", dir / "lineB", "--ready-file", dir / "ready"},
        tools::testing::SpawnOptions{});
    return tools::testing::WaitForFile(dir / "ready", 10000);
  };
  ASSERT_TRUE(plugIn());
  g_CommSettings = CommSettings();
  g_CommSettings.device1 = dir / "lineA";
  g_CommSettings.protocol = "Xmodem1K-ZKCRC";

  ui::QtBackend backend;
  ui::ScopedBackend installed(backend);
  ui_test::QtScript script(60'000);
  std::string shot;
  std::string progressShot;
  std::string timeLeftDuring;
  int barDuring = 0;
  std::string bytesDuring;
  QProgressBar* bar = nullptr;
  std::optional<int> downloadMode;
  std::optional<int> get;
  std::optional<int> downloadModeAgain;
  std::string lostShot;
  std::vector<std::string> log;
  script.Then([&](QWidget& w) {
    EXPECT_EQ(w.windowTitle(), "Orvo Server Status");
    EXPECT_EQ(w.size(), QSize(621, 497));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    auto* protocol = qobject_cast<QComboBox*>(ui_test::ControlOf(w, IDC_PROTOCOL));
    ASSERT_NE(protocol, nullptr);
    EXPECT_EQ(protocol->currentText(), "Xmodem1K-ZKCRC");
    EXPECT_EQ(protocol->geometry(), QRect(218, 431, 147, 20));
    bar = qobject_cast<QProgressBar*>(ui_test::ControlOf(w, IDC_PROGRESS));
    ASSERT_NE(bar, nullptr);

    ChildProcess calcMode({QUON_CALC, "download-mode", dir / "lineB"}, {});
    PumpUntil([&] { return (downloadMode = calcMode.WaitFor(0)).has_value(); }, 20000);
    // The send runs inside one tick, and its waits let Qt's timers through: look from one.
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
      if (!progressShot.empty() || bar->value() <= kFileSize / 4) return;
      timeLeftDuring = FieldText(w, IDC_TIME_LEFT);
      barDuring = bar->value();
      bytesDuring = FieldText(w, IDC_BYTES_TX);
      progressShot = ui_test::SaveScreenshot(w, "server-window-progress");
    });
    look.start(50);
    ChildProcess calcGet(
        {QUON_CALC, "get", dir / "lineB", "orvo1.obj", "--start", "D", "--expect", "orvo1.obj"},
        {dir.Path().string(), dir / "calc.out", dir / "calc.err"});
    PumpUntil([&] { return (get = calcGet.WaitFor(0)).has_value(); }, 30000);
    look.stop();
    PumpUntil(
        [] {
          return !g_ServerStatusDlg.Transferring() &&
                 ListLines(IDC_STATUS_LIST) == std::vector<std::string>{kLogCommsLineIdle};
        },
        5000);
    log = ListLines(IDC_LOG_LIST);
    EXPECT_EQ(bar->value(), kFileSize);
    EXPECT_EQ(FieldText(w, IDC_TIME_LEFT), "0:00");
    shot = ui_test::SaveScreenshot(w, "server-window-get");

    line->Signal(SIGTERM);
    EXPECT_EQ(line->WaitFor(10000), 0);
    const std::string lost = std::string(kLogSerialPortLost) + "COMM 1 (" + (dir / "lineA") + ")";
    EXPECT_TRUE(PumpUntil([&] { return ListLines(IDC_STATUS_LIST).front() == lost; }, 5000));
    lostShot = ui_test::SaveScreenshot(w, "server-window-lost");
    ASSERT_TRUE(plugIn());
    EXPECT_TRUE(
        PumpUntil([&] { return ListLines(IDC_STATUS_LIST).front() == kLogCommsLineIdle; }, 5000));
    ChildProcess calcModeAgain({QUON_CALC, "download-mode", dir / "lineB"}, {});
    PumpUntil([&] { return (downloadModeAgain = calcModeAgain.WaitFor(0)).has_value(); }, 20000);
    ui_test::Click(w, ui::kIdCancel);
  });
  EXPECT_EQ(g_ServerStatusDlg.DoModal(), ui::kIdCancel);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(downloadMode, 0);
  EXPECT_EQ(get, 0) << tools::testing::ReadFileText(dir / "calc.err");
  EXPECT_NE(std::find(log.begin(), log.end(), kLogFileTransmissionComplete), log.end());
  EXPECT_EQ(downloadModeAgain, 0) << "the download mode again once the line is back";
  // 3840 bytes a second: the rest takes about 4 s. The estimate counts from the start of the send,
  // so a loaded machine's slow start lowers the rate it sees; a minute or more would be wrong.
  EXPECT_FALSE(progressShot.empty()) << "no look at the bar during the send";
  EXPECT_LT(barDuring, kFileSize);
  EXPECT_EQ(std::to_string(barDuring), bytesDuring);
  EXPECT_THAT(timeLeftDuring, ::testing::MatchesRegex("0:0[0-9]"));
  EXPECT_FALSE(shot.empty());
  std::cout << "screenshots: " << progressShot << " " << shot << " " << lostShot << "\n";
}

}  // namespace
