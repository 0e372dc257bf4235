#pragma once
// Drives real windows from inside the test process, as a user would: the steps run one by one on
// a thread timer, so they run in whatever modal loop is current (a dialog's or a message box's).
// A step answers false to be tried again at the next tick (the window it wants is not there yet).
// A watchdog ends every dialog and message box when the steps stall, so a failing test cannot
// hang.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace win32_test {

class UiScript {
 public:
  using Step = std::function<bool()>;

  UiScript();
  ~UiScript();
  UiScript(const UiScript&) = delete;
  UiScript& operator=(const UiScript&) = delete;

  UiScript& Then(Step step);
  // True once every step has run.
  bool Finished() const { return next_ == steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void RunStep();

  std::vector<Step> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
  DWORD lastProgress_ = 0;
  bool running_ = false;
  bool aborted_ = false;
};

// The visible top-level dialog window with this title; null when there is none.
HWND FindDialog(const char* title);
// What the button id tells its window when it is clicked.
void Click(HWND dialog, int id);
// A key pressed in the control that has the focus (or in window when none has).
void PressKey(HWND window, UINT key);
// The texts of a window's static controls, in order (a message box's text is one of them).
std::vector<std::string> StaticTexts(HWND window);
std::string WindowText(HWND window);

}  // namespace win32_test
