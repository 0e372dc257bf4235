#include "ui/dialog_units.h"

#include <algorithm>
#include <cstdint>

namespace ui {

BaseUnits BaseUnitsFromMetrics(int alphabetWidth, int height) {
  return {(alphabetWidth / 26 + 1) / 2, height};
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return 0;
  int64_t product = static_cast<int64_t>(a) * b;
  bool negative = (product < 0) != (c < 0);
  int64_t magnitude = product < 0 ? -product : product;
  int64_t divisor = c < 0 ? -static_cast<int64_t>(c) : c;
  int64_t quotient = (magnitude + divisor / 2) / divisor;
  return static_cast<int>(negative ? -quotient : quotient);
}

int DialogXToPixels(int x, BaseUnits units) { return MulDiv(x, units.x, 4); }
int DialogYToPixels(int y, BaseUnits units) { return MulDiv(y, units.y, 8); }

DialogRect DialogRectToPixels(const DialogRect& rect, BaseUnits units) {
  return {DialogXToPixels(rect.x, units), DialogYToPixels(rect.y, units),
          DialogXToPixels(rect.width, units), DialogYToPixels(rect.height, units)};
}

DialogRect ClosedRect(const ControlTemplate& control) {
  DialogRect rect = control.rect;
  if (control.cls == ControlClass::ComboBox)
    rect.height = std::min(rect.height, kComboClosedHeight);
  return rect;
}

}  // namespace ui
