#pragma once
// Modal message boxes. Flags and answers keep the platform's values.

#include <string_view>

namespace ui {

class CDialog;

enum : unsigned {
  kMbOk = 0x00,
  kMbOkCancel = 0x01,
  kMbYesNo = 0x04,
  kMbButtonMask = 0x0F,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbIconMask = 0xF0,
};

// owner null: a box of its own, owned by no window. Answers the id of the button pressed
// (kIdOk, kIdCancel, kIdYes, kIdNo), or kIdCancel when no backend is installed.
int ShowMessageBox(CDialog* owner, std::string_view text, std::string_view caption, unsigned flags);

}  // namespace ui
