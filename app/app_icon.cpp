#include "app/resources.h"
#include "ui/icons.h"

namespace {

// Icon 128: a graphing calculator.
const char* const kCalculatorIcon[] = {"32 32 7 1",
                                       ". c None",
                                       "o c #202830",
                                       "b c #3C4A5A",
                                       "d c #B8CCA0",
                                       "l c #203018",
                                       "k c #D8DCE0",
                                       "e c #E07830",
                                       "................................",
                                       "......oooooooooooooooooooo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbddddddddddddddbbo......",
                                       "......obbddddddddldddddbbo......",
                                       "......obbddddddlldlddddbbo......",
                                       "......obbdddddlddddldddbbo......",
                                       "......obbdddllddddddlddbbo......",
                                       "......obbdlldddddddddldbbo......",
                                       "......obbddddddddddddddbbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbkkkbkkkbkkkbkkkbo......",
                                       "......obbkkkbkkkbkkkbkkkbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbkkkbkkkbkkkbkkkbo......",
                                       "......obbkkkbkkkbkkkbkkkbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbkkkbkkkbkkkbkkkbo......",
                                       "......obbkkkbkkkbkkkbkkkbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbkkkbkkkbkkkbeeebo......",
                                       "......obbkkkbkkkbkkkbeeebo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......obbbbbbbbbbbbbbbbbbo......",
                                       "......oooooooooooooooooooo......",
                                       "................................"};

}  // namespace

void RegisterAppIcons() { ui::RegisterIconImage(IDR_MAINFRAME, kCalculatorIcon); }
