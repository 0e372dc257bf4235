#include "ui/dialog_template.h"

namespace ui {

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  if (controlId == kIdStatic) return nullptr;
  for (const ControlTemplate& control : controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

}  // namespace ui
