// The application shell on the Qt backend, offscreen: every window is built, shown, grabbed to a
// PNG in <build>/screenshots and driven through its real widgets.

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include "app/download_app.h"
#include "app/resources.h"
#include "app/settings.h"
#include "host/tests/scratch_dir.h"
#include "ui/dialog.h"
#include "ui/qt/backend.h"
#include "ui/tests/script_qt.h"

namespace {

using host::testing::ReadFile;
using ui_test::QtScript;

class QtShell : public ::testing::Test {
 protected:
  QtShell() {
    g_CommSettings = CommSettings();
    g_CommSettings.deviceRoot = "no-devices";  // the machine's own stay out of the tests
  }

  host::testing::ScratchDir dir_;
  ui::QtBackend ui_{[](const std::string&) { return true; }};
  ui::ScopedBackend installed_{ui_};
  QtScript script_;
};

QAction* AboutAction(QWidget& window) {
  for (QAction* action : window.actions()) {
    if (action->text() == "&About Quon...") return action;
  }
  return nullptr;
}

TEST_F(QtShell, EveryWindowIsBuiltShownAndGrabbed) {
  std::vector<std::string> shots;
  script_.Then([&](QWidget& main) {
    EXPECT_EQ(main.windowTitle(), "Quon");
    EXPECT_EQ(main.size(), QSize(261, 159));
    EXPECT_EQ(main.focusWidget(), ui_test::ControlOf(main, ui::kIdCancel));
    EXPECT_FALSE(main.windowIcon().isNull());
    ASSERT_NE(AboutAction(main), nullptr);
    EXPECT_EQ(main.contextMenuPolicy(), Qt::ActionsContextMenu);
    shots.push_back(ui_test::SaveScreenshot(main, "main-window"));
    AboutAction(main)->trigger();
  });
  script_.Then([&](QWidget& about) {
    EXPECT_EQ(ui_test::DialogOf(about)->Template().id, IDD_ABOUTBOX);
    shots.push_back(ui_test::SaveScreenshot(about, "about-box"));
    ui_test::Click(about, ui::kIdOk);
  });
  script_.Then([](QWidget& main) { ui_test::Click(main, IDC_CONFIG_COMMS); });
  script_.Then([&](QWidget& port) {
    EXPECT_EQ(port.windowTitle(), "Config Comms port");
    EXPECT_EQ(port.size(), QSize(185, 111));
    auto* combo = qobject_cast<QComboBox*>(ui_test::ControlOf(port, IDC_PORT_COMBO));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText(), "COMM 1");
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), "COMM 2");
    shots.push_back(ui_test::SaveScreenshot(port, "port-settings"));
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), "comm 1");
    ui_test::PressKey(port, Qt::Key_Return);  // the default button, OK
  });
  script_.Then([&](QWidget& box) {
    auto* message = qobject_cast<QMessageBox*>(&box);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), "Please select\nCOMM 1 or COMM 2");
    EXPECT_EQ(message->icon(), QMessageBox::Critical);
    shots.push_back(ui_test::SaveScreenshot(box, "port-settings-error"));
    ui_test::ClickButton(box, "OK");
  });
  script_.Then([](QWidget& port) {
    auto* combo = qobject_cast<QComboBox*>(ui_test::ControlOf(port, IDC_PORT_COMBO));
    EXPECT_EQ(combo->currentText(), "comm 1");
    combo->setCurrentIndex(1);
    ui_test::Click(port, ui::kIdOk);
  });
  script_.Then([](QWidget& main) {
    EXPECT_EQ(g_CommSettings.port, "COMM 2");
    main.close();  // the close box
  });
  g_DownloadApp.Run("");
  EXPECT_TRUE(script_.Done());
  EXPECT_NE(ReadFile("quon.ini").find("port=COMM 2\n"), std::string::npos);
  ASSERT_EQ(shots.size(), 4u);
  for (const std::string& shot : shots) {
    EXPECT_FALSE(shot.empty());
    std::cout << "screenshot: " << shot << "\n";
  }
}

TEST_F(QtShell, AMissingPackageShowsAnOwnerlessBoxBeforeTheMainWindow) {
  script_.Then([](QWidget& box) {
    auto* message = qobject_cast<QMessageBox*>(&box);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), "Can not open input file");
    EXPECT_EQ(message->windowTitle(), "Error");
    EXPECT_EQ(message->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(message->parentWidget(), nullptr);
    ui_test::SaveScreenshot(box, "missing-package");
    ui_test::PressKey(box, Qt::Key_Return);
  });
  script_.Then([](QWidget& main) {
    EXPECT_EQ(main.windowTitle(), "Quon");
    ui_test::PressKey(main, Qt::Key_Escape);
  });
  g_DownloadApp.Run("no such file.rom");
  EXPECT_TRUE(script_.Done());
}

}  // namespace
