#include "resource_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/win32/backend.h"
#include "ui_script.h"

namespace win32_test {
namespace {

using ui::ControlClass;
using ui::ControlTemplate;
using ui::DialogTemplate;

class TemplateDialog : public ui::CDialog {
 public:
  explicit TemplateDialog(const DialogTemplate& t) : CDialog(t) {}
};

RECT ClientRectOfChild(HWND dialog, HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool Has(DWORD style, DWORD bits) { return (style & bits) == bits; }

// A dialog template resource as the resource compiler wrote it (the extended format).
struct ResourceItem {
  DWORD style = 0;
  DWORD id = 0;
  WORD classAtom = 0;  // 0x80 button, 0x82 static, 0x83 list box, 0x85 combo box; 0: named
  std::string className;
  std::string text;
  short x = 0, y = 0, cx = 0, cy = 0;
};
struct ResourceDialog {
  DWORD style = 0, exStyle = 0;
  short cx = 0, cy = 0;
  std::string title, font;
  WORD points = 0;
  std::vector<ResourceItem> items;
};

class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* data) : p_(data) {}
  template <typename T>
  T Take() {
    T value;
    std::memcpy(&value, p_, sizeof value);
    p_ += sizeof value;
    return value;
  }
  // A name or an ordinal; the ordinal is answered, 0 for a name.
  WORD NameOrOrdinal(std::string* name) {
    const WORD first = Take<WORD>();
    if (first == 0xFFFF) return Take<WORD>();
    if (name != nullptr) name->clear();
    for (WORD c = first; c != 0; c = Take<WORD>()) {
      if (name != nullptr) name->push_back(static_cast<char>(c));
    }
    return 0;
  }
  void AlignTo(size_t bytes) {
    while (reinterpret_cast<uintptr_t>(p_) % bytes) ++p_;
  }
  void Skip(size_t bytes) { p_ += bytes; }

 private:
  const BYTE* p_;
};

ResourceDialog LoadDialogResource(int id) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (found == nullptr) return {};
  TemplateReader in(static_cast<const BYTE*>(LockResource(LoadResource(module, found))));
  ResourceDialog dialog;
  EXPECT_EQ(in.Take<WORD>(), 1);
  EXPECT_EQ(in.Take<WORD>(), 0xFFFF) << "an extended template";
  in.Take<DWORD>();  // help id
  dialog.exStyle = in.Take<DWORD>();
  dialog.style = in.Take<DWORD>();
  const WORD count = in.Take<WORD>();
  in.Take<short>();
  in.Take<short>();
  dialog.cx = in.Take<short>();
  dialog.cy = in.Take<short>();
  in.NameOrOrdinal(nullptr);  // menu
  in.NameOrOrdinal(nullptr);  // class
  in.NameOrOrdinal(&dialog.title);
  if (dialog.style & DS_SETFONT) {
    dialog.points = in.Take<WORD>();
    in.Take<WORD>();
    in.Take<BYTE>();
    in.Take<BYTE>();
    in.NameOrOrdinal(&dialog.font);
  }
  for (WORD i = 0; i < count; ++i) {
    in.AlignTo(4);
    ResourceItem item;
    in.Take<DWORD>();  // help id
    in.Take<DWORD>();  // extended style
    item.style = in.Take<DWORD>();
    item.x = in.Take<short>();
    item.y = in.Take<short>();
    item.cx = in.Take<short>();
    item.cy = in.Take<short>();
    item.id = in.Take<DWORD>();
    item.classAtom = in.NameOrOrdinal(&item.className);
    in.NameOrOrdinal(&item.text);
    in.Skip(in.Take<WORD>());
    dialog.items.push_back(item);
  }
  return dialog;
}

// The platform style bits that a template's style flags stand for.
void ExpectItemMatches(const ResourceItem& item, const ControlTemplate& c) {
  const DWORD s = item.style;
  EXPECT_EQ(static_cast<WORD>(item.id), static_cast<WORD>(c.id));
  EXPECT_EQ(item.text, c.text);
  EXPECT_EQ(item.x, c.rect.x);
  EXPECT_EQ(item.y, c.rect.y);
  EXPECT_EQ(item.cx, c.rect.width);
  EXPECT_EQ(item.cy, c.rect.height);
  EXPECT_TRUE(Has(s, WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(Has(s, WS_TABSTOP), (c.style & ui::kTabStop) != 0);
  EXPECT_EQ(Has(s, WS_DISABLED), (c.style & ui::kDisabled) != 0);
  EXPECT_EQ(Has(s, WS_VSCROLL), (c.style & ui::kVScroll) != 0);
  switch (c.cls) {
    case ControlClass::PushButton:
      EXPECT_EQ(item.classAtom, 0x80);
      EXPECT_EQ(
          s & BS_TYPEMASK,
          static_cast<DWORD>((c.style & ui::kDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
      break;
    case ControlClass::GroupBox:
      EXPECT_EQ(item.classAtom, 0x80);
      EXPECT_EQ(s & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
      break;
    case ControlClass::Static:
      EXPECT_EQ(item.classAtom, 0x82);
      EXPECT_EQ(s & SS_TYPEMASK, static_cast<DWORD>(SS_LEFT));
      break;
    case ControlClass::ListBox:
      EXPECT_EQ(item.classAtom, 0x83);
      EXPECT_EQ(Has(s, LBS_SORT), (c.style & ui::kSorted) != 0);
      EXPECT_EQ(Has(s, LBS_NOSEL), (c.style & ui::kNoSelection) != 0);
      EXPECT_EQ(Has(s, LBS_NOTIFY), (c.style & ui::kNotify) != 0);
      break;
    case ControlClass::ComboBox:
      EXPECT_EQ(item.classAtom, 0x85);
      EXPECT_EQ(s & 3, static_cast<DWORD>((c.style & ui::kDropDownList) ? CBS_DROPDOWNLIST
                                                                        : CBS_DROPDOWN));
      EXPECT_EQ(Has(s, CBS_SORT), (c.style & ui::kSorted) != 0);
      break;
    case ControlClass::ProgressBar:
      EXPECT_EQ(item.classAtom, 0);
      // Class names are not case-sensitive; the resource compiler writes them in capitals.
      EXPECT_EQ(lstrcmpiA(item.className.c_str(), "msctls_progress32"), 0) << item.className;
      break;
  }
}

}  // namespace

void ExpectScriptHoldsTemplate(const DialogTemplate& t) {
  SCOPED_TRACE("template " + std::to_string(t.id));
  const ResourceDialog r = LoadDialogResource(t.id);
  EXPECT_EQ(r.title, t.title);
  EXPECT_EQ(r.cx, t.width);
  EXPECT_EQ(r.cy, t.height);
  EXPECT_EQ(r.font, t.fontName);
  EXPECT_EQ(r.points, t.fontPoints);
  EXPECT_TRUE(Has(r.style, WS_POPUP | WS_CAPTION));
  EXPECT_FALSE(Has(r.style, WS_VISIBLE)) << "shown by the modal loop";
  EXPECT_EQ(Has(r.style, WS_SYSMENU), (t.style & ui::kSystemMenu) != 0);
  EXPECT_EQ(Has(r.style, WS_MINIMIZEBOX), (t.style & ui::kMinimizeBox) != 0);
  EXPECT_FALSE(Has(r.style, WS_MAXIMIZEBOX));
  EXPECT_EQ(Has(r.style, DS_MODALFRAME), (t.style & ui::kModalFrame) != 0);
  EXPECT_EQ(Has(r.exStyle, WS_EX_APPWINDOW), (t.style & ui::kAppWindow) != 0);
  ASSERT_EQ(r.items.size(), t.controls.size());
  for (size_t i = 0; i < r.items.size(); ++i) {
    SCOPED_TRACE("control " + std::to_string(i) + " \"" + t.controls[i].text + "\"");
    ExpectItemMatches(r.items[i], t.controls[i]);
  }
}

void ExpectWindowBuiltFromTemplate(const DialogTemplate& t) {
  SCOPED_TRACE("template " + std::to_string(t.id));
  ui::Win32Backend backend;
  ui::ScopedBackend installed(backend);
  TemplateDialog dialog(t);
  std::unique_ptr<ui::DialogWindow> window = backend.CreateDialogWindow(dialog, nullptr);
  ASSERT_NE(window, nullptr);
  HWND hwnd = ui::NativeHandle(window.get());
  EXPECT_FALSE(IsWindowVisible(hwnd));

  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, t.fontName.c_str());
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -MulDiv(t.fontPoints, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);

  RECT client;
  GetClientRect(hwnd, &client);
  RECT size = {0, 0, t.width, t.height};
  MapDialogRect(hwnd, &size);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);

  size_t index = 0;
  for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ASSERT_LT(index, t.controls.size());
    const ControlTemplate& c = t.controls[index++];
    SCOPED_TRACE("control \"" + c.text + "\"");
    EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), static_cast<WORD>(c.id));
    // Position and size are each converted on their own, as the dialog manager does.
    RECT expected = {c.rect.x, c.rect.y, c.rect.width, c.rect.height};
    MapDialogRect(hwnd, &expected);
    const RECT actual = ClientRectOfChild(hwnd, child);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right - actual.left, expected.right);
    // A drop-down combo box's template height includes its dropped list; a list box shows
    // whole lines only, so the platform trims its height.
    if (c.cls != ControlClass::ComboBox && c.cls != ControlClass::ListBox) {
      EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
    }
    for (size_t item = 0; item < c.items.size(); ++item) {
      EXPECT_EQ(window->ListText(c.id, static_cast<int>(item)), c.items[item]);
    }
  }
  EXPECT_EQ(index, t.controls.size());
}

}  // namespace win32_test
