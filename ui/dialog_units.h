#pragma once
// Dialog units to pixels, the way the platform maps a dialog template: the horizontal base unit is
// the average width of "A".."Z" "a".."z" in the dialog font, the vertical one the font height;
// x pixels = x * baseX / 4 and y pixels = y * baseY / 8, rounded to nearest.

#include "ui/dialog_template.h"

namespace ui {

struct BaseUnits {
  int x = 0;
  int y = 0;
};

// What "MS Sans Serif" 8 pt gives at 96 DPI. Our stand-in font (Liberation Sans, 11 px) measures
// 6 x 12, so fixing the units keeps every layout the same on every machine.
inline constexpr BaseUnits kClassicBaseUnits{6, 13};

// The platform's rule: alphabetWidth is the advance of the 52 letters, height the font's height.
BaseUnits BaseUnitsFromMetrics(int alphabetWidth, int height);

// a * b / c rounded half away from zero, as the platform's MulDiv does; 0 when c is 0.
int MulDiv(int a, int b, int c);

int DialogXToPixels(int x, BaseUnits units);
int DialogYToPixels(int y, BaseUnits units);
DialogRect DialogRectToPixels(const DialogRect& rect, BaseUnits units);

// A drop-down combo box's template height includes its dropped list; closed it is this high.
inline constexpr int kComboClosedHeight = 12;
// The rectangle a control occupies when not dropped down, in dialog units.
DialogRect ClosedRect(const ControlTemplate& control);

}  // namespace ui
