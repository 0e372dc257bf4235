#include "ui/win32/dialog_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "ui/dialog.h"
#include "ui/dialog_template.h"

namespace ui {
namespace {

struct ListMessages {
  UINT add, insert, remove, reset, count, textLength, text, selection, select, reserve;
};

constexpr ListMessages kListBox = {LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
                                   LB_GETCOUNT,  LB_GETTEXTLEN,   LB_GETTEXT,      LB_GETCURSEL,
                                   LB_SETCURSEL, LB_INITSTORAGE};
constexpr ListMessages kComboBox = {CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
                                    CB_GETCOUNT,  CB_GETLBTEXTLEN, CB_GETLBTEXT,    CB_GETCURSEL,
                                    CB_SETCURSEL, CB_INITSTORAGE};

const ListMessages& MessagesFor(const ControlTemplate* control) {
  return control != nullptr && control->cls == ControlClass::ComboBox ? kComboBox : kListBox;
}

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// F1 on its own raises the help command; the dialog manager has no key for it.
bool IsHelpKey(const MSG& msg) {
  return msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && !KeyDown(VK_SHIFT) &&
         !KeyDown(VK_CONTROL) && !KeyDown(VK_MENU);
}

}  // namespace

Win32DialogWindow::Win32DialogWindow(CDialog& dialog, HWND owner) : dialog_(dialog), owner_(owner) {
  // Modal from the start: a message box that the dialog's initialisation shows, while this window
  // is still hidden, is owned by it and would leave the owner clickable.
  if (owner_ != nullptr) EnableWindow(owner_, FALSE);
  CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialog.Template().id), owner,
                     DialogProc, reinterpret_cast<LPARAM>(this));
}

Win32DialogWindow::~Win32DialogWindow() {
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    self->FillListsFromTemplate();
    return FALSE;  // the framework places the focus
  }
  auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR Win32DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_COMMAND:
      dialog_.HandleCommand(LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam)));
      return TRUE;
    case WM_SYSCOMMAND:
      // Close and the entries the program appended are the dialog's; the rest (move, minimise,
      // the keyboard menu) are the platform's.
      if ((wParam & 0xFFF0) == SC_CLOSE || (wParam & 0xFFF0) < 0xF000) {
        dialog_.HandleSysCommand(static_cast<int>(wParam));
        return TRUE;
      }
      return FALSE;
    case WM_PAINT:
      if (largeIcon_ == nullptr || !IsIconic(hwnd_)) return FALSE;
      PaintMinimised();
      return TRUE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(largeIcon_);
    default:
      return FALSE;
  }
}

void Win32DialogWindow::PaintMinimised() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(hwnd_, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, largeIcon_);
  EndPaint(hwnd_, &paint);
}

// The resource script cannot carry a list's items, so they come from the template's data.
void Win32DialogWindow::FillListsFromTemplate() {
  for (const ControlTemplate& control : dialog_.Template().controls) {
    for (const std::string& item : control.items) ListInsert(control.id, -1, item);
  }
}

void Win32DialogWindow::RunModal() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  if (pendingFocus_ != -1) {
    SetFocus(pendingFocus_);
    pendingFocus_ = -1;
  }
  MSG msg;
  while (!ending_) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // for the loops outside
      break;
    }
    if (IsHelpKey(msg) && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd))) {
      dialog_.HandleCommand(kIdHelp, kClicked);
      continue;
    }
    if (!IsDialogMessageA(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
}

void Win32DialogWindow::EndModal() {
  ending_ = true;
  // The owner first, so that it takes the activation back when this window hides.
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
  WakeModalLoop();
}

void Win32DialogWindow::WakeModalLoop() const { PostMessageA(hwnd_, WM_NULL, 0, 0); }

bool Win32DialogWindow::HasControl(int id) const { return GetDlgItem(hwnd_, id) != nullptr; }

std::string Win32DialogWindow::Text(int id) const {
  HWND control = GetDlgItem(hwnd_, id);
  if (control == nullptr) return {};
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1);
  const int length = GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), static_cast<size_t>(length));
}

void Win32DialogWindow::SetText(int id, std::string_view text) {
  SetDlgItemTextA(hwnd_, id, std::string(text).c_str());
}

void Win32DialogWindow::SetToolTip(int id, std::string_view text) {
  const HWND control = GetDlgItem(hwnd_, id);
  if (control == nullptr) return;
  if (toolTips_ == nullptr) {
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    toolTips_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    if (toolTips_ == nullptr) return;
    // Wide enough for a line of its own at each newline.
    SendMessageA(toolTips_, TTM_SETMAXTIPWIDTH, 0, 600);
  }
  std::string copy(text);
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;  // understood with or without a newer common-controls manifest
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = copy.data();
  SendMessageA(toolTips_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageA(toolTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32DialogWindow::Enable(int id, bool enabled) {
  if (HWND control = GetDlgItem(hwnd_, id)) EnableWindow(control, enabled);
}

bool Win32DialogWindow::IsEnabled(int id) const {
  HWND control = GetDlgItem(hwnd_, id);
  return control != nullptr && IsWindowEnabled(control);
}

void Win32DialogWindow::SetFocus(int id) {
  HWND control = GetDlgItem(hwnd_, id);
  if (control == nullptr) return;
  if (!IsWindowVisible(hwnd_)) {
    pendingFocus_ = id;
    return;
  }
  // Through the dialog manager, so that the default button follows the focus.
  SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

int Win32DialogWindow::Focus() const {
  if (pendingFocus_ != -1) return pendingFocus_;
  HWND focused = GetFocus();
  // The edit field of a combo box is a child of the combo box.
  while (focused != nullptr && GetParent(focused) != hwnd_) focused = GetParent(focused);
  return focused != nullptr ? GetDlgCtrlID(focused) : kIdStatic;
}

const ControlTemplate* Win32DialogWindow::ListTemplate(int id) const {
  return dialog_.Template().Find(id);
}

LRESULT Win32DialogWindow::SendToControl(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
  HWND control = GetDlgItem(hwnd_, id);
  if (control == nullptr) return kListError;
  return SendMessageA(control, message, wParam, lParam);
}

int Win32DialogWindow::ListInsert(int id, int index, std::string_view text) {
  const ListMessages& m = MessagesFor(ListTemplate(id));
  const std::string item(text);
  const LPARAM itemText = reinterpret_cast<LPARAM>(item.c_str());
  return static_cast<int>(index == -1 ? SendToControl(id, m.add, 0, itemText)
                                      : SendToControl(id, m.insert, index, itemText));
}

int Win32DialogWindow::ListDelete(int id, int index) {
  return static_cast<int>(SendToControl(id, MessagesFor(ListTemplate(id)).remove, index, 0));
}

void Win32DialogWindow::ListReset(int id) {
  SendToControl(id, MessagesFor(ListTemplate(id)).reset, 0, 0);
}

int Win32DialogWindow::ListCount(int id) const {
  return static_cast<int>(SendToControl(id, MessagesFor(ListTemplate(id)).count, 0, 0));
}

std::string Win32DialogWindow::ListText(int id, int index) const {
  const ListMessages& m = MessagesFor(ListTemplate(id));
  const LRESULT length = SendToControl(id, m.textLength, index, 0);
  if (length < 0) return {};
  std::vector<char> text(static_cast<size_t>(length) + 1);
  const LRESULT copied = SendToControl(id, m.text, index, reinterpret_cast<LPARAM>(text.data()));
  return copied < 0 ? std::string() : std::string(text.data(), static_cast<size_t>(copied));
}

int Win32DialogWindow::ListSelection(int id) const {
  return static_cast<int>(SendToControl(id, MessagesFor(ListTemplate(id)).selection, 0, 0));
}

int Win32DialogWindow::SetListSelection(int id, int index) {
  return static_cast<int>(SendToControl(id, MessagesFor(ListTemplate(id)).select, index, 0));
}

void Win32DialogWindow::ListReserve(int id, int items, int bytes) {
  SendToControl(id, MessagesFor(ListTemplate(id)).reserve, items, bytes);
}

void Win32DialogWindow::ProgressSetRange(int id, int maximum) {
  const int position = std::min(ProgressPos(id), maximum);
  SendToControl(id, PBM_SETRANGE32, 0, maximum);
  ProgressSetPos(id, position);
}

void Win32DialogWindow::ProgressSetPos(int id, int position) {
  SendToControl(id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int Win32DialogWindow::ProgressPos(int id) const {
  return HasControl(id) ? static_cast<int>(SendToControl(id, PBM_GETPOS, 0, 0)) : 0;
}

int Win32DialogWindow::ProgressMaximum(int id) const {
  return HasControl(id) ? static_cast<int>(SendToControl(id, PBM_GETRANGE, FALSE, 0)) : 0;
}

void Win32DialogWindow::AppendSystemMenu(int command, std::string_view text) {
  HMENU menu = GetSystemMenu(hwnd_, FALSE);
  if (menu == nullptr) return;
  if (command == 0) {
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  } else {
    AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(command), std::string(text).c_str());
  }
}

void Win32DialogWindow::SetIcon(int iconId, bool large) {
  const int width = GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON);
  const int height = GetSystemMetrics(large ? SM_CYICON : SM_CYSMICON);
  auto* icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId),
                                             IMAGE_ICON, width, height, LR_SHARED));
  if (icon == nullptr) return;
  SendMessageA(hwnd_, WM_SETICON, large ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  if (large) largeIcon_ = icon;
}

}  // namespace ui
