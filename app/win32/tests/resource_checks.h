#pragma once
// Checks that hold a dialog template resource (from the resource script) equal to the template
// data that the framework reads, for every program that ships both.

#include "ui/dialog_template.h"

namespace win32_test {

// The resource of the template's id holds its title, styles, size, font and controls (class, id,
// text, style bits, position in dialog units), in tab order.
void ExpectScriptHoldsTemplate(const ui::DialogTemplate& t);

// The dialog manager builds from it a hidden window with that font, its controls at the
// template's positions converted to pixels, and the lists filled from the template's items.
void ExpectWindowBuiltFromTemplate(const ui::DialogTemplate& t);

}  // namespace win32_test
