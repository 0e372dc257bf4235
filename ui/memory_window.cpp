#include "ui/memory_window.h"

#include <algorithm>
#include <cstdint>

#include "ui/dialog.h"
#include "ui/list_rules.h"

namespace ui {

MemoryWindow::MemoryWindow(CDialog& dialog) : dialog_(dialog) {
  for (const ControlTemplate& t : dialog.Template().controls) {
    if (t.id == kIdStatic) continue;
    Control& control = controls_[t.id];
    control.tmpl = &t;
    control.enabled = (t.style & kDisabled) == 0;
    if (t.cls != ControlClass::ListBox && t.cls != ControlClass::ComboBox) control.text = t.text;
  }
  for (const ControlTemplate& t : dialog.Template().controls) {
    for (const std::string& item : t.items) InsertItem(t.id, -1, item);
  }
}

MemoryWindow::Control* MemoryWindow::Find(int id) {
  auto it = controls_.find(id);
  return it != controls_.end() ? &it->second : nullptr;
}

const MemoryWindow::Control* MemoryWindow::Find(int id) const {
  auto it = controls_.find(id);
  return it != controls_.end() ? &it->second : nullptr;
}

bool MemoryWindow::HasControl(int id) const { return Find(id) != nullptr; }

std::string MemoryWindow::Text(int id) const {
  const Control* control = Find(id);
  return control != nullptr ? control->text : std::string();
}

void MemoryWindow::SetText(int id, std::string_view text) {
  Control* control = Find(id);
  if (control == nullptr) return;
  control->text = text;
  // Text put over the selected item of a combo box leaves no item selected.
  if (control->selection >= 0 && control->items[control->selection] != text) {
    control->selection = -1;
  }
}

void MemoryWindow::Enable(int id, bool enabled) {
  if (Control* control = Find(id)) control->enabled = enabled;
}

bool MemoryWindow::IsEnabled(int id) const {
  const Control* control = Find(id);
  return control != nullptr && control->enabled;
}

void MemoryWindow::SetFocus(int id) {
  if (Find(id) != nullptr) focus_ = id;
}

void MemoryWindow::SetToolTip(int id, std::string_view text) {
  if (Control* control = Find(id)) control->toolTip = text;
}

std::string MemoryWindow::ToolTip(int id) const {
  const Control* control = Find(id);
  return control == nullptr ? std::string() : control->toolTip;
}

int MemoryWindow::ListInsert(int id, int index, std::string_view text) {
  return InsertItem(id, index, text);
}

int MemoryWindow::InsertItem(int id, int index, std::string_view text) {
  Control* control = Find(id);
  if (control == nullptr) return kListError;
  std::vector<std::string>& items = control->items;
  int count = static_cast<int>(items.size());
  if (index > count) return kListError;
  if (items.size() >= control->capacity) {
    dialog_.HandleCommand(id, kErrSpace);
    return kListErrSpace;
  }
  if (index < 0) {
    index = (control->tmpl->style & kSorted) != 0 ? SortedInsertIndex(items, text) : count;
  }
  items.insert(items.begin() + index, std::string(text));
  if (control->selection >= index) ++control->selection;
  return index;
}

int MemoryWindow::ListDelete(int id, int index) {
  Control* control = Find(id);
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
    return kListError;
  }
  control->items.erase(control->items.begin() + index);
  if (control->selection == index) {
    control->selection = -1;
  } else if (control->selection > index) {
    --control->selection;
  }
  return static_cast<int>(control->items.size());
}

void MemoryWindow::ListReset(int id) {
  Control* control = Find(id);
  if (control == nullptr) return;
  control->items.clear();
  control->selection = -1;
  if (control->tmpl->cls == ControlClass::ComboBox) control->text.clear();
}

int MemoryWindow::ListCount(int id) const {
  const Control* control = Find(id);
  return control != nullptr ? static_cast<int>(control->items.size()) : 0;
}

std::string MemoryWindow::ListText(int id, int index) const {
  const Control* control = Find(id);
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
    return {};
  }
  return control->items[index];
}

int MemoryWindow::ListSelection(int id) const {
  const Control* control = Find(id);
  return control != nullptr ? control->selection : kListError;
}

int MemoryWindow::SetListSelection(int id, int index) {
  Control* control = Find(id);
  if (control == nullptr) return kListError;
  bool combo = control->tmpl->cls == ControlClass::ComboBox;
  if (index < 0 || index >= static_cast<int>(control->items.size())) {
    control->selection = -1;
    if (combo) control->text.clear();
    return kListError;
  }
  control->selection = index;
  if (combo) control->text = control->items[index];
  return index;
}

void MemoryWindow::ListReserve(int id, int items, int) {
  if (Control* control = Find(id); control != nullptr && items > 0) {
    control->items.reserve(static_cast<size_t>(items));
  }
}

void MemoryWindow::ProgressSetRange(int id, int maximum) {
  if (Control* control = Find(id)) {
    control->progressMaximum = maximum;
    control->progressPos = std::min(control->progressPos, maximum);
  }
}

void MemoryWindow::ProgressSetPos(int id, int position) {
  if (Control* control = Find(id)) {
    control->progressPos = std::clamp(position, 0, control->progressMaximum);
  }
}

int MemoryWindow::ProgressPos(int id) const {
  const Control* control = Find(id);
  return control != nullptr ? control->progressPos : 0;
}

int MemoryWindow::ProgressMaximum(int id) const {
  const Control* control = Find(id);
  return control != nullptr ? control->progressMaximum : 0;
}

void MemoryWindow::AppendSystemMenu(int command, std::string_view text) {
  systemMenu_.emplace_back(command, std::string(text));
}

void MemoryWindow::SetIcon(int iconId, bool large) { (large ? largeIcon_ : smallIcon_) = iconId; }

const std::vector<std::string>& MemoryWindow::Items(int id) const {
  static const std::vector<std::string> none;
  const Control* control = Find(id);
  return control != nullptr ? control->items : none;
}

void MemoryWindow::SetListCapacity(int id, size_t capacity) {
  if (Control* control = Find(id)) control->capacity = capacity;
}

}  // namespace ui
