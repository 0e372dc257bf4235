// Drives the windows of a running program from outside, as a user would, for the GUI test:
//
//   window-driver wait TITLE [SECONDS]   prints "x y width height" of the visible window TITLE
//   window-driver click TITLE ID         presses the button ID of window TITLE
//   window-driver gone TITLE [SECONDS]   waits until no window TITLE is visible
//   window-driver items TITLE ID         prints the lines of list box ID of window TITLE
//   window-driver progress TITLE ID      prints "position maximum" of progress bar ID
//
// Exit status 0 on success, 1 when the window or button is not there in time, 2 on bad usage.

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

namespace {

HWND WaitForWindow(const char* title, DWORD seconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND window = FindWindowA(nullptr, title);
    if (window != nullptr && IsWindowVisible(window)) return window;
    if (GetTickCount() - start >= seconds * 1000) return nullptr;
    Sleep(50);
  }
}

int Wait(const char* title, DWORD seconds) {
  HWND window = WaitForWindow(title, seconds);
  if (window == nullptr) {
    std::fprintf(stderr, "window-driver: no window \"%s\"\n", title);
    return 1;
  }
  // Give the window time to paint before anyone looks at it.
  Sleep(500);
  RECT rect;
  GetWindowRect(window, &rect);
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top);
  return 0;
}

int Gone(const char* title, DWORD seconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND window = FindWindowA(nullptr, title);
    if (window == nullptr || !IsWindowVisible(window)) return 0;
    if (GetTickCount() - start >= seconds * 1000) {
      std::fprintf(stderr, "window-driver: window \"%s\" stays\n", title);
      return 1;
    }
    Sleep(50);
  }
}

// Control id of the visible window title; null, with a line on standard error, when there is none.
HWND FindControl(const char* title, int id, const char* kind) {
  HWND window = WaitForWindow(title, 10);
  HWND control = window != nullptr ? GetDlgItem(window, id) : nullptr;
  if (control == nullptr)
    std::fprintf(stderr, "window-driver: no %s %d in \"%s\"\n", kind, id, title);
  return control;
}

int Click(const char* title, int id) {
  HWND button = FindControl(title, id, "button");
  if (button == nullptr) return 1;
  // What the button itself tells its window when clicked; BM_CLICK needs an active window.
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  return 0;
}

int Items(const char* title, int id) {
  HWND list = FindControl(title, id, "list");
  if (list == nullptr) return 1;
  // The wide form: Wine hands another process's list text over as the window keeps it.
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[512] = {};
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0 || length >= static_cast<LRESULT>(std::size(text))) continue;
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    char line[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, line, sizeof line, nullptr, nullptr);
    std::printf("%s\n", line);
  }
  return 0;
}

int Progress(const char* title, int id) {
  HWND bar = FindControl(title, id, "progress bar");
  if (bar == nullptr) return 1;
  std::printf("%ld %ld\n", static_cast<long>(SendMessageA(bar, PBM_GETPOS, 0, 0)),
              static_cast<long>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0)));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string action = argc > 2 ? argv[1] : "";
  if (action == "wait" && (argc == 3 || argc == 4)) {
    return Wait(argv[2], argc == 4 ? static_cast<DWORD>(std::atoi(argv[3])) : 30);
  }
  if (action == "gone" && (argc == 3 || argc == 4)) {
    return Gone(argv[2], argc == 4 ? static_cast<DWORD>(std::atoi(argv[3])) : 30);
  }
  if (action == "click" && argc == 4) return Click(argv[2], std::atoi(argv[3]));
  if (action == "items" && argc == 4) return Items(argv[2], std::atoi(argv[3]));
  if (action == "progress" && argc == 4) return Progress(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr,
               "usage: window-driver wait|gone TITLE [SECONDS] | click|items|progress TITLE ID\n");
  return 2;
}
