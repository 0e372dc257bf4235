// The server window on the Windows backend: its dialog template resource against the template
// the framework reads, and the list, field and progress bar operations the window relies on, on
// real controls.

#include <gtest/gtest.h>

#include <memory>

#include "resource_checks.h"
#include "server/server_resources.h"
#include "ui/dialog.h"
#include "ui/win32/backend.h"

namespace {

TEST(ServerResources, ScriptHoldsTheTemplate) {
  win32_test::ExpectScriptHoldsTemplate(ServerStatusTemplate());
}

TEST(ServerResources, WindowIsBuiltFromIt) {
  win32_test::ExpectWindowBuiltFromTemplate(ServerStatusTemplate());
}

class ServerWindowControls : public ::testing::Test {
 protected:
  class Dialog : public ui::CDialog {
   public:
    Dialog() : CDialog(ServerStatusTemplate()) {}
  };

  ui::Win32Backend backend_;
  ui::ScopedBackend installed_{backend_};
  Dialog dialog_;
  std::unique_ptr<ui::DialogWindow> window_ = backend_.CreateDialogWindow(dialog_, nullptr);
};

TEST_F(ServerWindowControls, LogListAppendsInsertsDeletesAndResets) {
  ui::DialogWindow& w = *window_;
  EXPECT_EQ(w.ListInsert(IDC_LOG_LIST, -1, "first"), 0);
  EXPECT_EQ(w.ListInsert(IDC_LOG_LIST, -1, "third"), 1);
  EXPECT_EQ(w.ListInsert(IDC_LOG_LIST, 1, "second"), 1);
  EXPECT_EQ(w.ListInsert(IDC_LOG_LIST, 9, "beyond"), ui::kListError);
  EXPECT_EQ(w.ListCount(IDC_LOG_LIST), 3);
  EXPECT_EQ(w.ListText(IDC_LOG_LIST, 1), "second");
  EXPECT_EQ(w.ListText(IDC_LOG_LIST, 3), "");
  EXPECT_EQ(w.ListDelete(IDC_LOG_LIST, 0), 2);
  EXPECT_EQ(w.ListDelete(IDC_LOG_LIST, 5), ui::kListError);
  EXPECT_EQ(w.ListText(IDC_LOG_LIST, 0), "second");
  w.ListReserve(IDC_LOG_LIST, 24, 24 * 84);
  EXPECT_EQ(w.ListSelection(IDC_LOG_LIST), ui::kListError) << "nothing to select";
  w.ListReset(IDC_LOG_LIST);
  EXPECT_EQ(w.ListCount(IDC_LOG_LIST), 0);
  EXPECT_EQ(w.ListCount(9999), ui::kListError);
}

TEST_F(ServerWindowControls, ProtocolComboSortsSelectsAndTakesTypedText) {
  ui::DialogWindow& w = *window_;
  ASSERT_EQ(w.ListCount(IDC_PROTOCOL), 3);
  EXPECT_EQ(w.ListText(IDC_PROTOCOL, 0), "Xmodem128");
  EXPECT_EQ(w.ListText(IDC_PROTOCOL, 2), "Xmodem1K-ZKCRC");
  EXPECT_EQ(w.ListSelection(IDC_PROTOCOL), ui::kListError);
  EXPECT_EQ(w.SetListSelection(IDC_PROTOCOL, 2), 2);
  EXPECT_EQ(w.Text(IDC_PROTOCOL), "Xmodem1K-ZKCRC");
  EXPECT_EQ(w.SetListSelection(IDC_PROTOCOL, -1), ui::kListError);
  EXPECT_EQ(w.Text(IDC_PROTOCOL), "");
  w.SetText(IDC_PROTOCOL, "typed");
  EXPECT_EQ(w.Text(IDC_PROTOCOL), "typed");
  EXPECT_EQ(w.ListInsert(IDC_PROTOCOL, -1, "Aaa"), 0) << "a sorted list places the text";
}

TEST_F(ServerWindowControls, ProgressBarHoldsItsPositionWithinItsRange) {
  ui::DialogWindow& w = *window_;
  EXPECT_EQ(w.ProgressMaximum(IDC_PROGRESS), ui::kProgressDefaultMaximum);
  EXPECT_EQ(w.ProgressPos(IDC_PROGRESS), 0);
  w.ProgressSetRange(IDC_PROGRESS, 5000);
  w.ProgressSetPos(IDC_PROGRESS, 3072);
  EXPECT_EQ(w.ProgressPos(IDC_PROGRESS), 3072);
  w.ProgressSetPos(IDC_PROGRESS, 6000);
  EXPECT_EQ(w.ProgressPos(IDC_PROGRESS), 5000);
  w.ProgressSetPos(IDC_PROGRESS, -1);
  EXPECT_EQ(w.ProgressPos(IDC_PROGRESS), 0);
  w.ProgressSetPos(IDC_PROGRESS, 3072);
  w.ProgressSetRange(IDC_PROGRESS, 1000);
  EXPECT_EQ(w.ProgressPos(IDC_PROGRESS), 1000);
  EXPECT_EQ(w.ProgressPos(9999), 0);
}

TEST_F(ServerWindowControls, ButtonsEnableAndFocusWaitsForTheWindowToShow) {
  ui::DialogWindow& w = *window_;
  EXPECT_TRUE(w.HasControl(IDC_DOWNLOAD_MODE));
  EXPECT_FALSE(w.HasControl(4242));
  w.Enable(IDC_DOWNLOAD_MODE, false);
  EXPECT_FALSE(w.IsEnabled(IDC_DOWNLOAD_MODE));
  w.Enable(IDC_DOWNLOAD_MODE, true);
  EXPECT_TRUE(w.IsEnabled(IDC_DOWNLOAD_MODE));
  EXPECT_EQ(w.Text(ui::kIdCancel), "Exit");
  w.SetFocus(IDC_CLEAR_LOG);
  EXPECT_EQ(w.Focus(), IDC_CLEAR_LOG);
}

}  // namespace
