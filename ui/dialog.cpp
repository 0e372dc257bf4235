#include "ui/dialog.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "ui/backend.h"
#include "ui/controls.h"
#include "ui/message_box.h"
#include "ui/timers.h"
#include "ui/win_app.h"

namespace ui {
namespace {

// The platform's USER_TIMER_MINIMUM.
constexpr uint32_t kMinimumTimerPeriodMs = 10;

std::vector<CDialog*>& ModalStack() {
  static std::vector<CDialog*> stack;
  return stack;
}

}  // namespace

CDialog::CDialog(const DialogTemplate& dialogTemplate) : template_(dialogTemplate) {}

// Timers live only while the window is shown, and DoModal kills them before it returns.
CDialog::~CDialog() = default;

CDialog* CDialog::TopModal() { return ModalStack().empty() ? nullptr : ModalStack().back(); }

int CDialog::DoModal() {
  Backend* backend = CurrentBackend();
  if (backend == nullptr || window_ != nullptr) return -1;
  CDialog* owner = TopModal();
  std::unique_ptr<DialogWindow> window =
      backend->CreateDialogWindow(*this, owner != nullptr ? owner->window_ : nullptr);
  if (!window) return -1;

  window_ = window.get();
  ending_ = false;
  result_ = -1;
  ModalStack().push_back(this);
  if (OnInitDialog()) FocusFirstTabStop();
  if (!ending_) window_->RunModal();
  OnDestroy();
  Timers().KillAll(*this);
  std::erase(ModalStack(), this);
  window_ = nullptr;
  ending_ = false;
  return result_;
}

void CDialog::EndDialog(int result) {
  if (window_ == nullptr) return;
  result_ = result;
  if (ending_) return;
  ending_ = true;
  Timers().KillAll(*this);
  window_->EndModal();
}

int CDialog::SetTimer(int id, uint32_t periodMs) {
  if (window_ == nullptr || ending_) return 0;
  Timers().Set(*this, id, std::max(periodMs, kMinimumTimerPeriodMs));
  return id;
}

bool CDialog::KillTimer(int id) { return Timers().Kill(*this, id); }

int CDialog::ShowMessage(std::string_view text, std::string_view caption, unsigned flags) {
  return ShowMessageBox(window_ != nullptr ? this : nullptr, text, caption, flags);
}

std::string CDialog::GetItemText(int id) const {
  return window_ != nullptr ? window_->Text(id) : std::string();
}

void CDialog::SetItemText(int id, std::string_view text) {
  if (window_ != nullptr) window_->SetText(id, text);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (window_ == nullptr) return false;
  DataExchange dx(*this, saveAndValidate);
  DoDataExchange(dx);
  return true;
}

bool CDialog::HasSystemMenu() const { return (template_.style & kSystemMenu) != 0; }

void CDialog::AppendSystemMenu(int command, std::string_view text) {
  if (window_ != nullptr && HasSystemMenu()) window_->AppendSystemMenu(command, text);
}

void CDialog::SetIcon(int iconId, bool large) {
  if (window_ != nullptr) window_->SetIcon(iconId, large);
}

void CDialog::HandleCommand(int id, int code) {
  if (window_ == nullptr || ending_) return;
  OnCommand(id, code);
}

void CDialog::HandleSysCommand(int command) {
  if (window_ == nullptr || ending_) return;
  OnSysCommand(command);
}

void CDialog::HandleKey(Key key) {
  if (window_ == nullptr || ending_) return;
  switch (key) {
    case Key::Enter:
      HandleCommand(EnterCommand(), kClicked);
      break;
    case Key::Escape:
      HandleCommand(kIdCancel, kClicked);
      break;
    case Key::F1:
      HandleCommand(kIdHelp, kClicked);
      break;
  }
}

void CDialog::HandleTimer(int id) {
  if (window_ == nullptr || ending_) return;
  OnTimer(id);
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::DoDataExchange(DataExchange&) {}

bool CDialog::OnCommand(int id, int) {
  switch (id) {
    case kIdOk:
      OnOK();
      return true;
    case kIdCancel:
      OnCancel();
      return true;
    case kIdHelp:
      OnHelp();
      return true;
    default:
      return false;
  }
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(kIdOk);
}

void CDialog::OnCancel() { EndDialog(kIdCancel); }

void CDialog::OnTimer(int) {}

void CDialog::OnSysCommand(int command) {
  if ((command & 0xFFF0) == kScClose) HandleCommand(kIdCancel, kClicked);
}

void CDialog::OnHelp() {
  if (CWinApp* app = CurrentApp()) app->OnHelp();
}

void CDialog::OnDestroy() {}

int CDialog::EnterCommand() const {
  const ControlTemplate* focused = template_.Find(window_->Focus());
  if (focused != nullptr && focused->cls == ControlClass::PushButton) return focused->id;
  for (const ControlTemplate& control : template_.controls) {
    if (control.cls == ControlClass::PushButton && (control.style & kDefaultButton) != 0 &&
        window_->IsEnabled(control.id)) {
      return control.id;
    }
  }
  return kIdOk;
}

void CDialog::FocusFirstTabStop() {
  for (const ControlTemplate& control : template_.controls) {
    if ((control.style & kTabStop) != 0 && control.id != kIdStatic &&
        window_->IsEnabled(control.id)) {
      window_->SetFocus(control.id);
      return;
    }
  }
}

void DataExchange::Control(int id, ControlHandle& control) { control.Attach(dialog_, id); }

void DataExchange::Text(int id, std::string& field) {
  if (saving_) {
    field = dialog_.GetItemText(id);
  } else {
    dialog_.SetItemText(id, field);
  }
}

}  // namespace ui
