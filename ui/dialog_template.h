#pragma once
// Dialog templates as data, in dialog units, as a resource script would give them. Backends build
// their windows from these; the dialogs only name the template and address controls by id.

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// The names below keep the platform's values but not its macro names, so that a backend can
// include the platform's headers beside ours.

// Command ids of the standard buttons and of the answers of message boxes.
enum : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
};
// The id of controls that are never addressed (labels, frames).
inline constexpr int kIdStatic = -1;
// The help command (the F1 key).
inline constexpr int kIdHelp = 0xE146;

// System commands; the low four bits are the platform's and are ignored when matching.
inline constexpr int kScClose = 0xF060;

// Notification codes that come with a control's command.
enum : int { kClicked = 0, kSelChange = 1, kEditChange = 5, kErrSpace = -2 };

enum class ControlClass { PushButton, GroupBox, Static, ListBox, ComboBox, ProgressBar };

// Control styles.
enum : uint32_t {
  kTabStop = 1u << 0,
  kDisabled = 1u << 1,
  kVScroll = 1u << 2,
  kDefaultButton = 1u << 3,
  kNotify = 1u << 4,
  kSorted = 1u << 5,        // list boxes and combo boxes
  kNoSelection = 1u << 6,   // list boxes
  kDropDown = 1u << 7,      // combo box with an edit field and a list
  kDropDownList = 1u << 8,  // combo box with a list only
};

// Dialog styles.
enum : uint32_t {
  kModalFrame = 1u << 0,
  kSystemMenu = 1u << 1,
  kMinimizeBox = 1u << 2,
  kAppWindow = 1u << 3,  // a taskbar button of its own
};

struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ControlTemplate {
  ControlClass cls = ControlClass::Static;
  int id = kIdStatic;
  std::string text;
  DialogRect rect;
  uint32_t style = 0;
  // List items a combo box is filled with when its window is created.
  std::vector<std::string> items;
};

struct DialogTemplate {
  int id = 0;
  std::string title;
  int width = 0;
  int height = 0;
  std::string fontName = "MS Sans Serif";
  int fontPoints = 8;
  uint32_t style = kModalFrame | kSystemMenu;
  // In tab order.
  std::vector<ControlTemplate> controls;

  // nullptr when the template has no control with that id.
  const ControlTemplate* Find(int controlId) const;
};

}  // namespace ui
