#include "ui/qt/backend.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "host/clock.h"
#include "host/event_wait.h"
#include "host/fake_clock.h"
#include "host/message_pump.h"
#include "ui/message_box.h"
#include "ui/tests/script_qt.h"
#include "ui/tests/test_dialogs.h"
#include "ui/win_app.h"

namespace {

using ui_test::QtScript;
using ui_test::SampleDialog;
using ui_test::WaitPumping;

class QtBackendTest : public ::testing::Test {
 protected:
  std::vector<std::string> opened_;
  ui::QtBackend ui_{[this](const std::string& path) {
    opened_.push_back(path);
    return true;
  }};
  ui::ScopedBackend installed_{ui_};
};

TEST_F(QtBackendTest, ControlsSitAtTheirTemplatePositionsInPixels) {
  SampleDialog dialog;
  dialog.comboText = "Mike";
  std::string screenshot;
  QtScript script;
  script.Then([&](QWidget& w) {
    EXPECT_EQ(w.size(), QSize(300, 195));
    EXPECT_EQ(w.windowTitle(), "Sample");
    EXPECT_EQ(ui_test::ControlOf(w, ui_test::kFirstButton)->geometry(), QRect(11, 11, 75, 23));
    // A drop-down combo box is as high as its edit field; its list is dropped below.
    EXPECT_EQ(ui_test::ControlOf(w, ui_test::kCombo)->geometry(), QRect(11, 46, 120, 20));
    EXPECT_EQ(ui_test::ControlOf(w, ui_test::kLog)->geometry(), QRect(11, 78, 279, 72));
    EXPECT_EQ(w.font().family(), "Liberation Sans");
    auto* combo = qobject_cast<QComboBox*>(ui_test::ControlOf(w, ui_test::kCombo));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText(), "Mike");
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(dialog.Window()->Focus(), ui_test::kFirstButton);
    dialog.log.AddString("a line in the log");
    dialog.field.AddString("1024");
    screenshot = ui_test::SaveScreenshot(w, "ui-sample");
    ui_test::PressKey(w, Qt::Key_Escape);
  });
  EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
  EXPECT_TRUE(script.Done());
  ASSERT_FALSE(screenshot.empty());
  EXPECT_GT(std::filesystem::file_size(screenshot), 1000u);
}

TEST_F(QtBackendTest, ControlsKeepThePlatformRules) {
  SampleDialog dialog;
  QtScript script;
  script.Then([&](QWidget& w) {
    ui_test::CheckControlRules(dialog);
    ui_test::PressKey(w, Qt::Key_Escape);
  });
  dialog.DoModal();
  EXPECT_TRUE(script.Done());
}

TEST_F(QtBackendTest, KeysAndTheCloseBoxReachTheDialog) {
  class HelpApp : public ui::CWinApp {
    void InitInstance() override {}
  } app;
  app.SetHelpFile("/usr/share/doc/quon/quon-help.html");
  SampleDialog dialog;
  QtScript script;
  script.Then([&](QWidget& w) {
    ui_test::PressKey(w, Qt::Key_Return);  // focus on "First"
    ui_test::PressKey(w, Qt::Key_F1);
    ui_test::ControlOf(w, ui_test::kCombo)->setFocus();
    QTest::keyClicks(w.focusWidget(), "typed");
    ui_test::PressKey(w, Qt::Key_Enter);  // in the edit field: the default button
  });
  EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
  EXPECT_EQ(dialog.commands.front(), std::make_pair(int{ui_test::kFirstButton}, int{ui::kClicked}));
  EXPECT_EQ(dialog.comboText, "typed");
  EXPECT_EQ(opened_, std::vector<std::string>{"/usr/share/doc/quon/quon-help.html"});

  script.Then([](QWidget& w) { w.close(); });
  EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
  script.Then([](QWidget& w) { ui_test::Click(w, ui_test::kSecondButton); });
  EXPECT_EQ(dialog.DoModal(), ui::kIdRetry);
  EXPECT_TRUE(script.Done());
}

TEST_F(QtBackendTest, MessageBoxesAreModalAndOwned) {
  SampleDialog dialog;
  int answer = 0;
  QtScript script;
  script.Then([&](QWidget&) {
    answer = dialog.ShowMessage("Please select\nCOMM 1 or COMM 2", "Error", ui::kMbIconError);
  });
  script.Then([&](QWidget& box) {
    auto* message = qobject_cast<QMessageBox*>(&box);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), "Please select\nCOMM 1 or COMM 2");
    EXPECT_EQ(message->windowTitle(), "Error");
    EXPECT_EQ(message->icon(), QMessageBox::Critical);
    ASSERT_NE(message->parentWidget(), nullptr);
    EXPECT_EQ(ui_test::DialogOf(*message->parentWidget()), &dialog);
    ui_test::SaveScreenshot(box, "ui-message-box");
    ui_test::ClickButton(box, "OK");
  });
  script.Then([](QWidget& w) { ui_test::PressKey(w, Qt::Key_Escape); });
  dialog.DoModal();
  EXPECT_EQ(answer, ui::kIdOk);

  script.Then([](QWidget& box) {
    EXPECT_EQ(box.parentWidget(), nullptr);
    EXPECT_EQ(qobject_cast<QMessageBox*>(&box)->icon(), QMessageBox::NoIcon);
    ui_test::PressKey(box, Qt::Key_Return);
  });
  EXPECT_EQ(ui::ShowMessageBox(nullptr, "Can not open input file", "Error", ui::kMbOk), ui::kIdOk);
  EXPECT_TRUE(script.Done());
}

class QtTimers : public QtBackendTest {
 protected:
  host::FakeClock clock_;
  host::ScopedClock clockInstalled_{clock_};
};

TEST_F(QtTimers, ATickThatPumpsSeesTheDueTicksInsideIt) {
  SampleDialog dialog;
  int depth = 0;
  int deepest = 0;
  int innerTicks = 0;
  dialog.onInit = [](SampleDialog& d) { d.SetTimer(1, 250); };
  dialog.onTimer = [&](SampleDialog& d, int) {
    ++depth;
    deepest = std::max(deepest, depth);
    if (depth == 1) {
      WaitPumping(3000);
      d.EndDialog(ui::kIdOk);
    } else {
      ++innerTicks;
    }
    --depth;
  };
  QtScript script;
  script.Then([&](QWidget&) { clock_.Advance(250); });  // Qt's timer wakes the first tick
  EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
  EXPECT_EQ(deepest, 2);
  EXPECT_EQ(innerTicks, 12);
}

TEST_F(QtTimers, AClickDuringAPumpingTickIsHandledThereAndEndsTheLoopAfterIt) {
  SampleDialog dialog;
  int ticks = 0;
  bool tickFinished = false;
  dialog.onInit = [](SampleDialog& d) { d.SetTimer(1, 250); };
  dialog.onTimer = [&](SampleDialog& d, int) {
    if (++ticks > 1) return;
    QWidget* second =
        ui_test::ControlOf(*QApplication::activeModalWidget(), ui_test::kSecondButton);
    QPoint centre = second->rect().center();
    QCoreApplication::postEvent(
        second, new QMouseEvent(QEvent::MouseButtonPress, centre, second->mapToGlobal(centre),
                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        second, new QMouseEvent(QEvent::MouseButtonRelease, centre, second->mapToGlobal(centre),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    WaitPumping(2000);
    EXPECT_TRUE(d.IsEnding());
    tickFinished = true;
  };
  QtScript script;
  script.Then([&](QWidget&) { clock_.Advance(250); });
  EXPECT_EQ(dialog.DoModal(), ui::kIdRetry);
  EXPECT_EQ(ticks, 1);
  EXPECT_TRUE(tickFinished);
}

// The first tick wakes the window's own loop; inside it a wait of the serial layer, as a transfer
// waits, sleeps in the event dispatcher, and nothing but the framework's timer ends it when the
// next tick falls due. The ticks are timed on the clock that makes them due. A wake-up that comes
// late leaves a long gap in every round; a busy machine leaves one in one round or another, so
// the round with the shortest longest gap counts.
TEST_F(QtBackendTest, TimersFireOnTimeWhileAWaitSleeps) {
  constexpr uint32_t kPeriodMs = 100;
  uint32_t least = UINT32_MAX;
  for (int round = 0; round < 3; ++round) {
    SampleDialog dialog;
    std::vector<uint32_t> ticks;
    uint32_t armed = 0;
    int waits = 0;
    dialog.onInit = [&armed](SampleDialog& d) {
      armed = host::TickCount();
      d.SetTimer(1, kPeriodMs);
    };
    dialog.onTimer = [&](SampleDialog& d, int) {
      ticks.push_back(host::TickCount());
      if (ticks.size() > 1) return;
      // Until five more ticks, not for a time: a busy machine delays them all.
      while (ticks.size() < 6 && host::TicksSince(ticks.front()) < 8000) {
        ++waits;
        host::WaitForEvents(host::kNoWaitHandle, 5000);
        host::DispatchPendingMessages();
      }
      d.EndDialog(ui::kIdOk);
    };
    QtScript script;
    EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
    EXPECT_LT(waits, 50) << "woken only by the ticks";
    ASSERT_GE(ticks.size(), 6u);
    uint32_t longest = ticks.front() - armed;
    for (size_t i = 1; i < ticks.size(); ++i) longest = std::max(longest, ticks[i] - ticks[i - 1]);
    least = std::min(least, longest);
  }
  EXPECT_LT(least, kPeriodMs + 50) << "ms between ticks of a " << kPeriodMs << " ms timer";
}

TEST_F(QtBackendTest, TheWatchdogEndsAWindowThatWouldHang) {
  static SampleDialog* left;  // the failure-catching macro takes no locals
  SampleDialog dialog;
  left = &dialog;
  EXPECT_NONFATAL_FAILURE(
      {
        QtScript script(300);
        EXPECT_EQ(left->DoModal(), ui::kIdAbort);
      },
      "watchdog");
}

}  // namespace
