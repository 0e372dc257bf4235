#include "ui/controls.h"

#include <algorithm>

#include "ui/dialog.h"
#include "ui/list_rules.h"

namespace ui {

void ControlHandle::Attach(CDialog& dialog, int id) {
  dialog_ = &dialog;
  id_ = id;
}

DialogWindow* ControlHandle::Window() const {
  return dialog_ != nullptr ? dialog_->Window() : nullptr;
}

std::string ControlHandle::GetText() const {
  DialogWindow* window = Window();
  return window != nullptr ? window->Text(id_) : std::string();
}

void ControlHandle::SetText(std::string_view text) {
  if (DialogWindow* window = Window()) window->SetText(id_, text);
}

void ControlHandle::Enable(bool enabled) {
  if (DialogWindow* window = Window()) window->Enable(id_, enabled);
}

void ControlHandle::SetFocus() {
  if (DialogWindow* window = Window()) window->SetFocus(id_);
}

int ListControl::AddString(std::string_view text) {
  DialogWindow* window = Window();
  return window != nullptr ? window->ListInsert(Id(), -1, text) : kListError;
}

int ListControl::InsertString(int index, std::string_view text) {
  DialogWindow* window = Window();
  if (window == nullptr) return kListError;
  return window->ListInsert(Id(), index < 0 ? window->ListCount(Id()) : index, text);
}

int ListControl::DeleteString(int index) {
  DialogWindow* window = Window();
  return window != nullptr ? window->ListDelete(Id(), index) : kListError;
}

void ListControl::ResetContent() {
  if (DialogWindow* window = Window()) window->ListReset(Id());
}

int ListControl::GetCount() const {
  DialogWindow* window = Window();
  return window != nullptr ? window->ListCount(Id()) : 0;
}

int ListControl::GetCurSel() const {
  DialogWindow* window = Window();
  return window != nullptr ? window->ListSelection(Id()) : kListError;
}

int ListControl::SetCurSel(int index) {
  DialogWindow* window = Window();
  return window != nullptr ? window->SetListSelection(Id(), index) : kListError;
}

std::string ListControl::ItemText(int index) const {
  DialogWindow* window = Window();
  return window != nullptr ? window->ListText(Id(), index) : std::string();
}

void CListBox::InitStorage(int items, int bytes) {
  if (DialogWindow* window = Window()) window->ListReserve(Id(), items, bytes);
}

int CComboBox::FindString(int startAfter, std::string_view prefix) const {
  int count = GetCount();
  if (count == 0) return kListError;
  int first = startAfter < 0 || startAfter >= count ? 0 : startAfter + 1;
  for (int step = 0; step < count; ++step) {
    int index = (first + step) % count;
    if (StartsWithNoCase(GetLBText(index), prefix)) return index;
  }
  return kListError;
}

int CComboBox::SelectString(int startAfter, std::string_view prefix) {
  int index = FindString(startAfter, prefix);
  if (index != kListError) SetCurSel(index);
  return index;
}

void CProgressCtrl::SetRange(int maximum) {
  if (DialogWindow* window = Window()) window->ProgressSetRange(Id(), std::max(maximum, 1));
}

void CProgressCtrl::SetPos(int position) {
  if (DialogWindow* window = Window()) window->ProgressSetPos(Id(), position);
}

int CProgressCtrl::GetPos() const {
  DialogWindow* window = Window();
  return window != nullptr ? window->ProgressPos(Id()) : 0;
}

int CProgressCtrl::GetRangeMaximum() const {
  DialogWindow* window = Window();
  return window != nullptr ? window->ProgressMaximum(Id()) : 0;
}

}  // namespace ui
