#pragma once
// One showing of a dialog in a backend: the live window with its controls, addressed by id.
// List operations answer the platform's codes: an index, kListError, or kListErrSpace.

#include <string>
#include <string_view>

namespace ui {

enum : int { kListError = -1, kListErrSpace = -2 };
// The range of a new progress bar is 0 to this, as on the platform.
inline constexpr int kProgressDefaultMaximum = 100;

class DialogWindow {
 public:
  virtual ~DialogWindow() = default;

  // Runs the window modally until EndModal; the backend delivers input and timers meanwhile.
  virtual void RunModal() = 0;
  // Makes RunModal return once control is back in its loop; the window hides at once.
  virtual void EndModal() = 0;

  virtual bool HasControl(int id) const = 0;
  virtual std::string Text(int id) const = 0;
  virtual void SetText(int id, std::string_view text) = 0;
  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) const = 0;
  virtual void SetFocus(int id) = 0;
  // The hint shown while the pointer rests on a control; backends without hints ignore it.
  virtual void SetToolTip(int /*id*/, std::string_view /*text*/) {}
  // The id of the control with the keyboard focus; kIdStatic when none has it.
  virtual int Focus() const = 0;

  // List boxes and the lists of combo boxes. index -1 appends; a sorted list places the text
  // itself.
  virtual int ListInsert(int id, int index, std::string_view text) = 0;
  virtual int ListDelete(int id, int index) = 0;
  virtual void ListReset(int id) = 0;
  virtual int ListCount(int id) const = 0;
  virtual std::string ListText(int id, int index) const = 0;
  virtual int ListSelection(int id) const = 0;
  // -1 clears the selection; a combo box shows the selected item's text in its field.
  virtual int SetListSelection(int id, int index) = 0;
  // A hint for a list about to receive items lines holding bytes of text in all.
  virtual void ListReserve(int id, int items, int bytes) = 0;

  // Progress bars: a position from 0 to a maximum of at least 1. A position outside the range is
  // held at its nearer end, and a narrower range pulls the position in with it.
  virtual void ProgressSetRange(int id, int maximum) = 0;
  virtual void ProgressSetPos(int id, int position) = 0;
  virtual int ProgressPos(int id) const = 0;
  virtual int ProgressMaximum(int id) const = 0;

  // Appends to the window's system menu; command 0 appends a separator.
  virtual void AppendSystemMenu(int command, std::string_view text) = 0;
  // Sets the window's large or small icon from a registered icon image.
  virtual void SetIcon(int iconId, bool large) = 0;
};

}  // namespace ui
