#include "server/server_window.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include "server/server_resources.h"
#include "ui/qt/qt_backend.h"
#include "ui/tests/qt_script.h"

namespace {

TEST(ServerWindowQt, IsBuiltShownAndGrabbed) {
  ui::QtBackend backend;
  ui::ScopedBackend installed(backend);
  ui_test::QtScript script;
  std::string shot;
  script.Then([&](QWidget& w) {
    EXPECT_EQ(w.windowTitle(), "Orvo Server Status");
    EXPECT_EQ(w.size(), QSize(621, 497));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    auto* protocol = qobject_cast<QComboBox*>(ui_test::ControlOf(w, IDC_PROTOCOL));
    ASSERT_NE(protocol, nullptr);
    EXPECT_EQ(protocol->count(), 3);
    EXPECT_EQ(protocol->geometry(), QRect(218, 431, 147, 20));
    shot = ui_test::SaveScreenshot(w, "server-window");
    ui_test::Click(w, ui::kIdCancel);
  });
  EXPECT_EQ(g_ServerStatusDlg.DoModal(), ui::kIdCancel);
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(shot.empty());
  std::cout << "screenshot: " << shot << "\n";
}

}  // namespace
