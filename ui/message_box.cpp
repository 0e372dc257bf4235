#include "ui/message_box.h"

#include "ui/backend.h"
#include "ui/dialog.h"

namespace ui {

int ShowMessageBox(CDialog* owner, std::string_view text, std::string_view caption,
                   unsigned flags) {
  Backend* backend = CurrentBackend();
  if (backend == nullptr) return kIdCancel;
  return backend->ShowMessageBox(owner != nullptr ? owner->Window() : nullptr, text, caption,
                                 flags);
}

}  // namespace ui
