#pragma once
// Handles to a dialog's controls, bound to their ids in DoDataExchange. A handle stays valid while
// the dialog object lives; while its window is not shown every operation does nothing and answers
// an empty text, 0 or kListError, as calls on a destroyed window do on the platform.

#include <string>
#include <string_view>

namespace ui {

class CDialog;
class DialogWindow;

class ControlHandle {
 public:
  void Attach(CDialog& dialog, int id);
  int Id() const { return id_; }

  std::string GetText() const;
  void SetText(std::string_view text);
  void Enable(bool enabled);
  void SetFocus();

 protected:
  DialogWindow* Window() const;

 private:
  CDialog* dialog_ = nullptr;
  int id_ = -1;
};

class CButton : public ControlHandle {};

// What list boxes and the lists of combo boxes share.
class ListControl : public ControlHandle {
 public:
  // Appends, or places the text in order when the list is sorted; answers its index.
  int AddString(std::string_view text);
  // index -1 appends; never sorts.
  int InsertString(int index, std::string_view text);
  // Answers the count left, or kListError.
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  // -1 clears the selection.
  int SetCurSel(int index);

 protected:
  std::string ItemText(int index) const;
};

// A list box, also used as a one-line field.
class CListBox : public ListControl {
 public:
  std::string GetText(int index) const { return ItemText(index); }
  // Pre-sizes the list for items lines of bytes text in all.
  void InitStorage(int items, int bytes);
};

// A drop-down combo box; its text is the edit field's.
class CComboBox : public ListControl {
 public:
  std::string GetLBText(int index) const { return ItemText(index); }
  // The first item after startAfter (-1: from the first) whose text begins with prefix, ignoring
  // case, wrapping round to the start; kListError when none.
  int FindString(int startAfter, std::string_view prefix) const;
  // FindString, then selects the item found; answers its index, or kListError leaving the
  // selection as it was.
  int SelectString(int startAfter, std::string_view prefix);
};

// A progress bar from 0 to a maximum; a new window's runs from 0 to kProgressDefaultMaximum and
// stands at 0.
class CProgressCtrl : public ControlHandle {
 public:
  // A maximum below 1 is taken as 1: an empty range would leave nothing to show.
  void SetRange(int maximum);
  void SetPos(int position);
  int GetPos() const;
  int GetRangeMaximum() const;
};

}  // namespace ui
