#include "ui_script.h"

#include <gtest/gtest.h>

namespace win32_test {
namespace {

constexpr UINT kTickMs = 20;
constexpr DWORD kStallMs = 10'000;

UiScript* current = nullptr;

BOOL CALLBACK CloseDialog(HWND window, LPARAM) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string(className) == "#32770" && IsWindowVisible(window)) {
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

}  // namespace

UiScript::UiScript() {
  current = this;
  lastProgress_ = GetTickCount();
  timer_ = SetTimer(nullptr, 0, kTickMs, Tick);
}

UiScript::~UiScript() {
  KillTimer(nullptr, timer_);
  current = nullptr;
  EXPECT_TRUE(Finished() || aborted_)
      << "the windows closed before step " << next_ + 1 << " of " << steps_.size();
}

UiScript& UiScript::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

void CALLBACK UiScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (current != nullptr) current->RunStep();
}

void UiScript::RunStep() {
  if (aborted_) {
    // Until the test's modal loops have all returned.
    EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
    return;
  }
  if (running_) return;  // a step that opens a modal window is still on the stack
  if (Finished()) return;
  if (GetTickCount() - lastProgress_ > kStallMs) {
    ADD_FAILURE() << "step " << next_ + 1 << " of " << steps_.size() << " never happened";
    aborted_ = true;
    return;
  }
  running_ = true;
  Step& step = steps_[next_];
  const bool done = step();
  running_ = false;
  if (done) {
    ++next_;
    lastProgress_ = GetTickCount();
  }
}

HWND FindDialog(const char* title) {
  HWND window = FindWindowA("#32770", title);
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PressKey(HWND window, UINT key) {
  HWND focus = GetFocus();
  PostMessageA(focus != nullptr ? focus : window, WM_KEYDOWN, key, 0);
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM texts) {
  char className[16] = {};
  GetClassNameA(child, className, sizeof className);
  if (std::string(className) == "Static") {
    reinterpret_cast<std::vector<std::string>*>(texts)->push_back(WindowText(child));
  }
  return TRUE;
}

std::vector<std::string> StaticTexts(HWND window) {
  std::vector<std::string> texts;
  EnumChildWindows(window, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

}  // namespace win32_test
