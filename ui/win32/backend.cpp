#include "ui/win32/backend.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "ui/dialog.h"
#include "ui/timers.h"
#include "ui/win32/dialog_window.h"

namespace ui {
namespace {

bool OpenWithShell(const std::string& path) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace

HWND NativeHandle(DialogWindow* window) {
  auto* native = dynamic_cast<Win32DialogWindow*>(window);
  return native != nullptr ? native->Handle() : nullptr;
}

Win32Backend::Win32Backend(DocumentOpener opener)
    : opener_(opener ? std::move(opener) : DocumentOpener(OpenWithShell)) {
  // A dialog template naming a common control cannot be created before its class is registered.
  const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
}

Win32Backend::~Win32Backend() {
  if (timer_ != 0) KillTimer(nullptr, timer_);
}

std::unique_ptr<DialogWindow> Win32Backend::CreateDialogWindow(CDialog& dialog,
                                                               DialogWindow* owner) {
  auto window = std::make_unique<Win32DialogWindow>(dialog, NativeHandle(owner));
  if (window->Handle() == nullptr) return nullptr;
  return window;
}

int Win32Backend::ShowMessageBox(DialogWindow* owner, std::string_view text,
                                 std::string_view caption, unsigned flags) {
  return MessageBoxA(NativeHandle(owner), std::string(text).c_str(), std::string(caption).c_str(),
                     flags);
}

void Win32Backend::ProcessPendingEvents() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the modal loop to see
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void Win32Backend::ScheduleTimers(std::optional<uint32_t> msUntilDue) {
  if (!msUntilDue) {
    if (timer_ != 0) KillTimer(nullptr, timer_);
    timer_ = 0;
    return;
  }
  const UINT ms = std::clamp<uint32_t>(*msUntilDue, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  timer_ = SetTimer(nullptr, timer_, ms, Wake);
}

void Win32Backend::WaitForEvents(host::WaitHandle handle, uint32_t ms) {
  HANDLE device = handle;
  MsgWaitForMultipleObjectsEx(device != nullptr ? 1 : 0, &device, ms, QS_ALLINPUT,
                              MWMO_INPUTAVAILABLE);
}

void CALLBACK Win32Backend::Wake(HWND, UINT, UINT_PTR, DWORD) {
  Timers().FireDue();
  if (Backend* backend = CurrentBackend()) backend->ScheduleTimers(Timers().MsUntilNextDue());
}

void Win32Backend::OpenHelp(const std::string& helpFile) { opener_(helpFile); }

void Win32Backend::QuitHelp(const std::string& helpFile) {
  CDialog* top = CDialog::TopModal();
  HWND window = top != nullptr ? NativeHandle(top->Window()) : nullptr;
  WinHelpA(window != nullptr ? window : GetDesktopWindow(), helpFile.c_str(), HELP_QUIT, 0);
}

}  // namespace ui
