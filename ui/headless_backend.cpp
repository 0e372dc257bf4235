#include "ui/headless_backend.h"

#include <algorithm>

#include "ui/message_box.h"
#include "ui/timers.h"

namespace ui {

void HeadlessWindow::RunModal() {
  backend_.running_.push_back(this);
  while (!ended_) {
    if (backend_.DeliverDueStep()) continue;
    if (!backend_.WaitForNextEvent()) {
      backend_.stalled_ = true;
      Dialog().EndDialog(HeadlessBackend::kStalled);
    }
  }
  std::erase(backend_.running_, this);
}

int HeadlessWindow::TemplateId() const { return Dialog().Template().id; }

const std::string& HeadlessWindow::Title() const { return Dialog().Template().title; }

void HeadlessWindow::Click(int id) {
  const ControlTemplate* control = Dialog().Template().Find(id);
  if (control == nullptr || control->cls != ControlClass::PushButton || !IsEnabled(id)) return;
  SetFocus(id);
  Dialog().HandleCommand(id, kClicked);
}

void HeadlessWindow::Press(Key key) { Dialog().HandleKey(key); }

void HeadlessWindow::CloseBox() { Dialog().HandleSysCommand(kScClose); }

void HeadlessWindow::ChooseSystemMenu(int command) {
  bool listed = std::any_of(SystemMenu().begin(), SystemMenu().end(),
                            [&](const auto& entry) { return entry.first == command; });
  if (listed || command == kScClose) Dialog().HandleSysCommand(command);
}

void HeadlessWindow::Type(int id, std::string_view text) {
  if (!HasControl(id)) return;
  SetFocus(id);
  SetListSelection(id, -1);
  SetText(id, text);
  Dialog().HandleCommand(id, kEditChange);
}

bool HeadlessWindow::Pick(int id, std::string_view text) {
  const std::vector<std::string>& items = Items(id);
  auto it = std::find(items.begin(), items.end(), text);
  if (it == items.end()) return false;
  SetFocus(id);
  SetListSelection(id, static_cast<int>(it - items.begin()));
  Dialog().HandleCommand(id, kSelChange);
  return true;
}

void HeadlessBackend::After(uint32_t delayMs, Step step) {
  script_.push_back({delayMs, std::move(step)});
}

std::unique_ptr<DialogWindow> HeadlessBackend::CreateDialogWindow(CDialog& dialog, DialogWindow*) {
  return std::make_unique<HeadlessWindow>(*this, dialog);
}

int HeadlessBackend::ShowMessageBox(DialogWindow* owner, std::string_view text,
                                    std::string_view caption, unsigned flags) {
  int ownerId = 0;
  if (auto* window = dynamic_cast<HeadlessWindow*>(owner)) ownerId = window->TemplateId();
  boxes_.push_back({std::string(text), std::string(caption), flags, ownerId});
  if (!answers_.empty()) {
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return (flags & kMbButtonMask) == kMbYesNo ? kIdYes : kIdOk;
}

void HeadlessBackend::ProcessPendingEvents() {
  while (DeliverDueStep()) {
  }
}

bool HeadlessBackend::DeliverDueStep() {
  if (script_.empty() || running_.empty()) return false;
  if (!headDueMs_) headDueMs_ = clock_.ElapsedMs() + script_.front().delayMs;
  if (clock_.ElapsedMs() < *headDueMs_) return false;
  Step step = std::move(script_.front().step);
  script_.pop_front();
  headDueMs_.reset();
  step(*running_.back());
  return true;
}

bool HeadlessBackend::WaitForNextEvent() {
  if (script_.empty()) return false;
  if (!headDueMs_) headDueMs_ = clock_.ElapsedMs() + script_.front().delayMs;
  uint64_t wait = *headDueMs_ > clock_.ElapsedMs() ? *headDueMs_ - clock_.ElapsedMs() : 0;
  if (std::optional<uint32_t> timer = Timers().MsUntilNextDue()) {
    wait = std::min<uint64_t>(wait, *timer);
  }
  clock_.Advance(wait);
  Timers().FireDue();
  return true;
}

}  // namespace ui
