#include <gtest/gtest.h>

#include "server/server_resources.h"
#include "ui/dialog_template.h"

namespace {

TEST(ServerTemplate, EveryControlSitsAtItsIdAndPosition) {
  const ui::DialogTemplate& t = ServerStatusTemplate();
  EXPECT_EQ(t.title, "Orvo Server Status");
  EXPECT_EQ(t.width, 414);
  EXPECT_EQ(t.height, 306);
  EXPECT_NE(t.style & ui::kMinimizeBox, 0u);

  struct Expected {
    int id;
    ui::ControlClass cls;
    ui::DialogRect rect;
  };
  using enum ui::ControlClass;
  const Expected expected[] = {
      {IDC_STATUS_LIST, ListBox, {7, 20, 225, 13}},
      {IDC_LOG_LIST, ListBox, {7, 46, 225, 204}},
      {IDC_FILE_NAME, ListBox, {252, 27, 150, 15}},
      {IDC_CPS, ListBox, {252, 57, 60, 15}},
      {IDC_BYTES_TX, ListBox, {252, 87, 60, 15}},
      {IDC_FILE_SIZE, ListBox, {322, 87, 60, 15}},
      {IDC_TRANSFER_ERRORS, ListBox, {252, 117, 60, 15}},
      {IDC_BLOCK_ERRORS, ListBox, {322, 117, 60, 15}},
      {IDC_PROGRESS, ProgressBar, {252, 137, 150, 10}},
      {IDC_TIME_LEFT, ListBox, {252, 162, 60, 15}},
      {IDC_PROTOCOL, ComboBox, {145, 265, 98, 60}},
      {IDC_DOWNLOAD_MODE, PushButton, {7, 285, 124, 14}},
      {IDC_CLEAR_LOG, PushButton, {190, 285, 80, 14}},
      {ui::kIdCancel, PushButton, {357, 285, 50, 14}},
  };
  for (const Expected& e : expected) {
    const ui::ControlTemplate* control = t.Find(e.id);
    ASSERT_NE(control, nullptr) << e.id;
    EXPECT_EQ(control->cls, e.cls) << e.id;
    EXPECT_EQ(control->rect.x, e.rect.x) << e.id;
    EXPECT_EQ(control->rect.y, e.rect.y) << e.id;
    EXPECT_EQ(control->rect.width, e.rect.width) << e.id;
    EXPECT_EQ(control->rect.height, e.rect.height) << e.id;
    EXPECT_EQ(control->style & ui::kDefaultButton, 0u) << "no default button";
  }
  const ui::ControlTemplate* log = t.Find(IDC_LOG_LIST);
  EXPECT_EQ(log->style & ui::kSorted, 0u);
  EXPECT_NE(log->style & ui::kNoSelection, 0u);
  EXPECT_NE(log->style & ui::kNotify, 0u);
  EXPECT_NE(log->style & ui::kVScroll, 0u);
  EXPECT_EQ(t.Find(IDC_DOWNLOAD_MODE)->text, "Set calculator in download mode");
  EXPECT_EQ(t.Find(IDC_CLEAR_LOG)->text, "Clear Log and Reset");
  EXPECT_EQ(t.Find(ui::kIdCancel)->text, "Exit");

  int groups = 0;
  for (const ui::ControlTemplate& control : t.controls) {
    if (control.cls != ui::ControlClass::GroupBox) continue;
    ++groups;
    EXPECT_EQ(control.text, "Transfer Status");
    EXPECT_EQ(control.rect.x, 242);
    EXPECT_EQ(control.rect.width, 165);
    EXPECT_EQ(control.rect.y + control.rect.height, 182) << "holds the bar and the time left";
  }
  EXPECT_EQ(groups, 1);
}

}  // namespace
