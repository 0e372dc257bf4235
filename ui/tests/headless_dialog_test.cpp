#include <gtest/gtest.h>

#include "host/fake_clock.h"
#include "ui/headless_backend.h"
#include "ui/message_box.h"
#include "ui/tests/test_dialogs.h"
#include "ui/win_app.h"

namespace {

using ui::HeadlessWindow;
using ui::Key;
using ui_test::SampleDialog;

class HeadlessDialog : public ::testing::Test {
 protected:
  host::FakeClock clock_;
  host::ScopedClock clockInstalled_{clock_};
  ui::HeadlessBackend ui_{clock_};
  ui::ScopedBackend backendInstalled_{ui_};
};

TEST_F(HeadlessDialog, EnterFollowsTheFocusThenTheDefaultButtonThenOk) {
  SampleDialog dialog;
  int focusAtOpen = 0;
  ui_.Then([&](HeadlessWindow& w) {
    focusAtOpen = w.Focus();
    w.Press(Key::Enter);  // the focused "First"
    w.Type(ui_test::kCombo, "typed");
    w.Press(Key::Enter);  // focus on the combo box: the default button
  });
  EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
  EXPECT_EQ(focusAtOpen, ui_test::kFirstButton);
  EXPECT_EQ(dialog.commands.front(), std::make_pair(int{ui_test::kFirstButton}, int{ui::kClicked}));
  EXPECT_EQ(dialog.comboText, "typed");

  SampleDialog noDefault(false);
  ui_.Then([](HeadlessWindow& w) {
    w.SetFocus(ui_test::kCombo);
    w.Press(Key::Enter);
  });
  EXPECT_EQ(noDefault.DoModal(), ui::kIdOk);
  EXPECT_FALSE(ui_.Stalled());
}

TEST_F(HeadlessDialog, EscapeAndTheCloseBoxGiveTheCancelCommand) {
  SampleDialog dialog;
  ui_.Then([](HeadlessWindow& w) { w.Press(Key::Escape); });
  EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
  ui_.Then([](HeadlessWindow& w) { w.CloseBox(); });
  EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
  ASSERT_EQ(dialog.commands.size(), 2u);
  EXPECT_EQ(dialog.commands[1].first, ui::kIdCancel);
}

TEST_F(HeadlessDialog, DataExchangeFillsTheControlsAndOkReadsThemBack) {
  SampleDialog dialog;
  dialog.comboText = "alpha";
  std::vector<std::string> items;
  ui_.Then([&](HeadlessWindow& w) {
    EXPECT_EQ(w.Text(ui_test::kCombo), "alpha");
    items = w.Items(ui_test::kCombo);
    EXPECT_TRUE(w.Pick(ui_test::kCombo, "Mike"));
    w.Click(ui::kIdOk);
  });
  EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
  EXPECT_EQ(items, (std::vector<std::string>{"alpha", "Mike", "Zulu"}));
  EXPECT_EQ(dialog.comboText, "Mike");
}

TEST_F(HeadlessDialog, CancelLeavesTheFieldsAlone) {
  SampleDialog dialog;
  dialog.comboText = "alpha";
  ui_.Then([](HeadlessWindow& w) {
    w.Type(ui_test::kCombo, "changed");
    w.Click(ui::kIdCancel);  // the template has no Cancel button: nothing happens
    w.Press(Key::Escape);
  });
  EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
  EXPECT_EQ(dialog.comboText, "alpha");
}

TEST_F(HeadlessDialog, EndingInOnInitDialogNeverShowsTheWindow) {
  SampleDialog dialog;
  dialog.onInit = [](SampleDialog& d) { d.EndDialog(ui::kIdAbort); };
  ui_.Then([](HeadlessWindow&) { FAIL() << "the window was shown"; });
  EXPECT_EQ(dialog.DoModal(), ui::kIdAbort);
  EXPECT_FALSE(ui_.ScriptDone());
  EXPECT_FALSE(dialog.IsShown());
}

TEST_F(HeadlessDialog, AnEndingWindowIgnoresFurtherCommands) {
  SampleDialog dialog;
  ui_.Then([&](HeadlessWindow& w) {
    dialog.EndDialog(77);
    EXPECT_TRUE(dialog.IsEnding());
    w.Click(ui_test::kFirstButton);
    w.Press(Key::Escape);
  });
  EXPECT_EQ(dialog.DoModal(), 77);
  EXPECT_TRUE(dialog.commands.empty());
}

TEST_F(HeadlessDialog, MessageBoxesAreRecordedWithTheirOwner) {
  SampleDialog dialog;
  ui_.AnswerNextBox(ui::kIdNo);
  ui_.Then([&](HeadlessWindow& w) {
    EXPECT_EQ(dialog.ShowMessage("Sure?", "Question", ui::kMbYesNo | ui::kMbIconQuestion),
              ui::kIdNo);
    EXPECT_EQ(dialog.ShowMessage("Saved", "Done", ui::kMbOk), ui::kIdOk);
    w.Press(Key::Escape);
  });
  dialog.DoModal();
  EXPECT_EQ(ui::ShowMessageBox(nullptr, "Can not", "Error", ui::kMbOk), ui::kIdOk);

  ASSERT_EQ(ui_.MessageBoxes().size(), 3u);
  EXPECT_EQ(ui_.MessageBoxes()[0].ownerTemplateId, ui_test::kSample);
  EXPECT_EQ(ui_.MessageBoxes()[0].flags, ui::kMbYesNo | ui::kMbIconQuestion);
  EXPECT_EQ(ui_.MessageBoxes()[1].text, "Saved");
  EXPECT_EQ(ui_.MessageBoxes()[2].ownerTemplateId, 0);
  EXPECT_EQ(ui_.MessageBoxes()[2].caption, "Error");
}

TEST_F(HeadlessDialog, NestedWindowsTakeTheStepsInTurn) {
  SampleDialog outer;
  SampleDialog inner;
  int innerResult = 0;
  outer.onTimer = [&](SampleDialog&, int) {};
  ui_.Then([&](HeadlessWindow& w) {
    EXPECT_EQ(&w.Dialog(), &outer);
    innerResult = inner.DoModal();
    EXPECT_EQ(outer.DoModal(), -1);  // already shown
  });
  ui_.Then([&](HeadlessWindow& w) {
    EXPECT_EQ(&w.Dialog(), &inner);
    ui::ShowMessageBox(&inner, "inside", "Error", ui::kMbIconError);
    w.Click(ui::kIdOk);
  });
  ui_.Then([&](HeadlessWindow& w) { w.CloseBox(); });
  EXPECT_EQ(outer.DoModal(), ui::kIdCancel);
  EXPECT_EQ(innerResult, ui::kIdOk);
  EXPECT_EQ(ui_.MessageBoxes().at(0).ownerTemplateId, ui_test::kSample);
}

TEST_F(HeadlessDialog, AWindowLeftWithoutStepsEndsAsStalled) {
  SampleDialog dialog;
  EXPECT_EQ(dialog.DoModal(), ui::HeadlessBackend::kStalled);
  EXPECT_TRUE(ui_.Stalled());
}

TEST_F(HeadlessDialog, ControlsKeepThePlatformRules) {
  SampleDialog dialog;
  ui_.Then([&](HeadlessWindow& w) {
    ui_test::CheckControlRules(dialog);
    w.SetListCapacity(ui_test::kLog, dialog.log.GetCount());
    EXPECT_EQ(dialog.log.AddString("no room"), ui::kListErrSpace);
    w.Press(Key::Escape);
  });
  dialog.DoModal();
  EXPECT_EQ(dialog.commands.front(), std::make_pair(int{ui_test::kLog}, int{ui::kErrSpace}));
  // Once the window is gone the handles answer like calls on a destroyed window.
  EXPECT_EQ(dialog.log.GetCount(), 0);
  EXPECT_EQ(dialog.log.AddString("late"), ui::kListError);
  EXPECT_EQ(dialog.combo.GetText(), "");
}

class SampleApp : public ui::CWinApp {
 public:
  SampleDialog mainWindow;
  std::string tail;

 protected:
  void InitInstance() override {
    tail = CommandLineTail();
    SetMainWindow(&mainWindow);
    mainWindow.DoModal();
  }
};

TEST_F(HeadlessDialog, TheApplicationRunsItsMainWindowAndOwnsTheHelp) {
  SampleApp app;
  app.SetHelpFile("/opt/quon/quon-help.html");
  ui_.Then([](HeadlessWindow& w) {
    w.Press(Key::F1);
    w.Press(Key::Escape);
  });
  EXPECT_EQ(app.Run("some path"), 0);
  EXPECT_EQ(app.tail, "some path");
  EXPECT_EQ(app.MainWindow(), &app.mainWindow);
  EXPECT_EQ(ui_.HelpOpened(), std::vector<std::string>{"/opt/quon/quon-help.html"});
  app.QuitHelp();
  EXPECT_EQ(ui_.HelpQuits(), 1);
}

TEST(CommandLineTail, ArgumentsJoinWithSingleBlanks) {
  const char* none[] = {"quon"};
  EXPECT_EQ(ui::CommandLineTail(1, none), "");
  const char* split[] = {"quon", "my", "rom", "file.rom"};
  EXPECT_EQ(ui::CommandLineTail(4, split), "my rom file.rom");
  const char* quoted[] = {"quon", "\"a b\".rom", ""};
  EXPECT_EQ(ui::CommandLineTail(3, quoted), "\"a b\".rom ");
}

}  // namespace
