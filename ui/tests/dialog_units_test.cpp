#include "ui/dialog_units.h"

#include <gtest/gtest.h>

namespace {

using ui::DialogRect;
using ui::kClassicBaseUnits;

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(ui::MulDiv(7, 6, 4), 11);  // 10.5
  EXPECT_EQ(ui::MulDiv(5, 6, 4), 8);   // 7.5
  EXPECT_EQ(ui::MulDiv(1, 13, 8), 2);  // 1.625
  EXPECT_EQ(ui::MulDiv(3, 13, 8), 5);  // 4.875
  EXPECT_EQ(ui::MulDiv(-7, 6, 4), -11);
  EXPECT_EQ(ui::MulDiv(7, 6, -4), -11);
  EXPECT_EQ(ui::MulDiv(7, 6, 0), 0);
  EXPECT_EQ(ui::MulDiv(0x7FFFFFFF, 4, 8), 0x40000000);  // no overflow on the way
}

TEST(DialogUnits, BaseUnitsFollowThePlatformRule) {
  // 333 px is what Liberation Sans at 11 px gives for the 52 letters.
  ui::BaseUnits measured = ui::BaseUnitsFromMetrics(333, 12);
  EXPECT_EQ(measured.x, 6);
  EXPECT_EQ(measured.y, 12);
  EXPECT_EQ(ui::BaseUnitsFromMetrics(364, 13).x, 7);
}

TEST(DialogUnits, TemplatesConvertWithTheClassicUnits) {
  EXPECT_EQ(ui::DialogXToPixels(174, kClassicBaseUnits), 261);
  EXPECT_EQ(ui::DialogYToPixels(98, kClassicBaseUnits), 159);
  EXPECT_EQ(ui::DialogXToPixels(414, kClassicBaseUnits), 621);
  EXPECT_EQ(ui::DialogYToPixels(306, kClassicBaseUnits), 497);

  DialogRect exit = ui::DialogRectToPixels({117, 33, 50, 14}, kClassicBaseUnits);
  EXPECT_EQ(exit.x, 176);
  EXPECT_EQ(exit.y, 54);
  EXPECT_EQ(exit.width, 75);
  EXPECT_EQ(exit.height, 23);
}

TEST(DialogUnits, OnlyComboBoxesCloseToTheirEditHeight) {
  ui::ControlTemplate combo{ui::ControlClass::ComboBox, 1013, "", {58, 24, 48, 45}, 0, {}};
  EXPECT_EQ(ui::ClosedRect(combo).height, ui::kComboClosedHeight);
  EXPECT_EQ(ui::ClosedRect(combo).width, 48);

  combo.rect.height = 10;
  EXPECT_EQ(ui::ClosedRect(combo).height, 10);

  ui::ControlTemplate list{ui::ControlClass::ListBox, 1026, "", {7, 46, 225, 204}, 0, {}};
  EXPECT_EQ(ui::ClosedRect(list).height, 204);
}

}  // namespace
