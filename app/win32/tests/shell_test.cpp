// The application shell in real windows on the Windows backend, driven as a user would drive it:
// start-up, the main window, the port settings dialog, the About box, the help key and timers.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/download_app.h"
#include "app/main_dlg.h"
#include "app/port_checks.h"
#include "app/resources.h"
#include "app/settings.h"
#include "app/tests/first_run_settings.h"
#include "host/tests/scratch_dir.h"
#include "server/server_window.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/win32/backend.h"
#include "ui_script.h"

namespace {

using host::testing::ReadTextFile;
using win32_test::Click;
using win32_test::FindDialog;
using win32_test::PressKey;
using win32_test::StaticTexts;
using win32_test::UiScript;

using app_testing::kFirstRunFile;

std::string MenuItemText(HMENU menu, int position) {
  char text[64] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

struct ToolTipSearch {
  HWND owner;
  HWND tips;
};

BOOL CALLBACK FindToolTips(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ToolTipSearch*>(param);
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpiA(name, TOOLTIPS_CLASSA) != 0 || GetWindow(window, GW_OWNER) != search->owner)
    return TRUE;
  search->tips = window;
  return FALSE;
}

// The tip that the dialog's tool-tip window holds for control id.
std::string ToolTipText(HWND dialog, int id) {
  ToolTipSearch search = {dialog, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindToolTips, reinterpret_cast<LPARAM>(&search));
  if (search.tips == nullptr) return {};
  char text[1024] = {};
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = dialog;
  tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, id));
  tool.lpszText = text;
  SendMessageA(search.tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  return text;
}

class Win32Shell : public ::testing::Test {
 protected:
  Win32Shell() {
    g_CommSettings = CommSettings();
    g_CommSettings.deviceRoot = "no-devices";
  }

  void Start(const std::string& tail = "") { g_DownloadApp.Run(tail); }

  // The step that waits for a window and keeps it for the steps after it.
  UiScript::Step WaitFor(const char* title, HWND& found) {
    return [title, &found] { return (found = FindDialog(title)) != nullptr; };
  }
  UiScript::Step Gone(const char* title) {
    return [title] { return FindDialog(title) == nullptr; };
  }

  host::testing::ScratchDir dir_;
  std::string helpOpened_;
  ui::Win32Backend backend_{[this](const std::string& path) {
    helpOpened_ = path;
    return true;
  }};
  ui::ScopedBackend installed_{backend_};
  UiScript script_;
  HWND main_ = nullptr;
};

TEST_F(Win32Shell, MainWindowOpensWithSettingsMenuIconAndFocusThenEscapeSaves) {
  script_.Then(WaitFor("Quon", main_)).Then([&] {
    EXPECT_EQ(ReadTextFile("quon.ini"), kFirstRunFile);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDCANCEL) << "focus on Exit";
    HMENU menu = GetSystemMenu(main_, FALSE);
    const int count = GetMenuItemCount(menu);
    EXPECT_EQ(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(MenuItemText(menu, count - 1), "&About Quon...");
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    const LRESULT icon = SendMessageA(main_, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(icon, 0);
    EXPECT_NE(SendMessageA(main_, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(SendMessageA(main_, WM_QUERYDRAGICON, 0, 0), icon);
    g_CommSettings.baud = 1200;
    PressKey(main_, VK_ESCAPE);
    return true;
  });
  Start();
  EXPECT_NE(ReadTextFile("quon.ini").find("baud=1200\n"), std::string::npos);
}

TEST_F(Win32Shell, EnterOnExitCloseBoxAndExitAllSaveAndEnd) {
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE("way " + std::to_string(way));
    UiScript script;
    script.Then(WaitFor("Quon", main_)).Then([&, way] {
      g_CommSettings.port = "COMM " + std::to_string(way + 2);
      if (way == 0) PressKey(main_, VK_RETURN);
      if (way == 1) PostMessageA(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
      if (way == 2) Click(main_, IDCANCEL);
      return true;
    });
    Start();
    EXPECT_NE(ReadTextFile("quon.ini").find("port=COMM " + std::to_string(way + 2) + "\n"),
              std::string::npos);
  }
}

TEST_F(Win32Shell, PortDialogAcceptsCOMM2AndTheFileGetsItOnlyAtExit) {
  HWND dialog = nullptr;
  script_.Then(WaitFor("Quon", main_))
      .Then([&] {
        Click(main_, IDC_CONFIG_COMMS);
        return true;
      })
      .Then(WaitFor("Config Comms port", dialog))
      .Then([&] {
        EXPECT_FALSE(IsWindowEnabled(main_)) << "the main window waits for the dialog";
        HWND combo = GetDlgItem(dialog, IDC_PORT_COMBO);
        EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(win32_test::WindowText(combo), "COMM 1");
        // The query gives at most 80 characters of the tip.
        EXPECT_EQ(ToolTipText(dialog, IDC_PORT_COMBO).substr(0, 61),
                  "COMM 1 is COM1 (no USB serial adapter found)\nCOMM 2 is COM2 (");
        SendMessageA(combo, CB_SETCURSEL, 1, 0);
        Click(dialog, IDOK);
        return true;
      })
      .Then(Gone("Config Comms port"))
      .Then([&] {
        EXPECT_EQ(g_CommSettings.port, "COMM 2");
        EXPECT_NE(ReadTextFile("quon.ini").find("port=COMM 1\n"), std::string::npos);
        EXPECT_TRUE(IsWindowEnabled(main_));
        Click(main_, IDCANCEL);
        return true;
      });
  Start();
  EXPECT_NE(ReadTextFile("quon.ini").find("port=COMM 2\n"), std::string::npos);
}

TEST_F(Win32Shell, UnsupportedPortShowsTheErrorOwnedByTheDialogWhichStaysOpen) {
  HWND dialog = nullptr;
  HWND box = nullptr;
  script_.Then(WaitFor("Quon", main_))
      .Then([&] {
        Click(main_, IDC_CONFIG_COMMS);
        return true;
      })
      .Then(WaitFor("Config Comms port", dialog))
      .Then([&] {
        SetDlgItemTextA(dialog, IDC_PORT_COMBO, "comm 1");
        Click(dialog, IDOK);
        return true;
      })
      .Then(WaitFor("Error", box))
      .Then([&] {
        EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
        const auto texts = StaticTexts(box);
        EXPECT_NE(std::find(texts.begin(), texts.end(), CHECK_MSG_PORT), texts.end());
        Click(box, IDOK);
        return true;
      })
      .Then(Gone("Error"))
      .Then([&] {
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(win32_test::WindowText(GetDlgItem(dialog, IDC_PORT_COMBO)), "comm 1");
        Click(dialog, IDCANCEL);
        return true;
      })
      .Then(Gone("Config Comms port"))
      .Then([&] {
        Click(main_, IDCANCEL);
        return true;
      });
  Start();
  EXPECT_EQ(g_CommSettings.port, "COMM 1");
}

TEST_F(Win32Shell, PortThatWillNotOpenKeepsTheMainWindowWaitingForItsBox) {
  host::testing::WriteFile("quon.ini", "[serial]\r\ndevice1=COM200\r\n");
  SetServerWindow(&g_ServerStatusDlg);
  HWND box = nullptr;
  script_.Then(WaitFor("Quon", main_))
      .Then([&] {
        Click(main_, IDC_TALK_TO_CALC);
        return true;
      })
      .Then(WaitFor("Error", box))
      .Then([&] {
        EXPECT_FALSE(IsWindowEnabled(main_)) << "the main window waits for the box";
        const auto texts = StaticTexts(box);
        EXPECT_NE(std::find(texts.begin(), texts.end(),
                            "Can't open serial port COM200 (COMM 1): no such device"),
                  texts.end());
        Click(box, IDOK);
        return true;
      })
      .Then(Gone("Error"))
      .Then([&] {
        EXPECT_TRUE(IsWindowEnabled(main_));
        Click(main_, IDCANCEL);
        return true;
      });
  Start();
  SetServerWindow(nullptr);
}

TEST_F(Win32Shell, MissingPackageIsReportedWithoutOwnerOrIconAndTheProgramGoesOn) {
  HWND box = nullptr;
  script_.Then(WaitFor("Error", box))
      .Then([&] {
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        const auto texts = StaticTexts(box);
        EXPECT_NE(std::find(texts.begin(), texts.end(), "Can not open input file"), texts.end());
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
          const bool icon = (GetWindowLongPtrA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
          EXPECT_FALSE(icon && IsWindowVisible(c) && SendMessageA(c, STM_GETICON, 0, 0) != 0);
        }
        EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK alone";
        Click(box, IDOK);
        return true;
      })
      .Then(WaitFor("Quon", main_))
      .Then([&] {
        Click(main_, IDCANCEL);
        return true;
      });
  Start("no such package.rom");
}

TEST_F(Win32Shell, AboutBoxFromTheSystemMenuAndHelpFromF1) {
  HWND about = nullptr;
  g_DownloadApp.SetHelpFile("C:\\quon\\quon-help.html");
  script_.Then(WaitFor("Quon", main_))
      .Then([&] {
        PostMessageA(main_, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        return true;
      })
      .Then(WaitFor("About Quon", about))
      .Then([&] {
        Click(about, IDOK);
        return true;
      })
      .Then(Gone("About Quon"))
      .Then([&] {
        PressKey(main_, VK_F1);
        return true;
      })
      .Then([&] { return !helpOpened_.empty(); })
      .Then([&] {
        EXPECT_EQ(helpOpened_, "C:\\quon\\quon-help.html");
        Click(main_, IDCANCEL);
        return true;
      });
  Start();
  g_DownloadApp.SetHelpFile("");
}

// A tick that pumps for a while sees the ticks that fall due meanwhile delivered inside it, as
// the server's transfers rely on.
class TickingDialog : public ui::CDialog {
 public:
  TickingDialog() : CDialog(AboutBoxTemplate()) {}
  int outerTicks = 0;
  int nestedTicks = 0;

 protected:
  bool OnInitDialog() override {
    SetTimer(1, 20);
    return CDialog::OnInitDialog();
  }
  void OnTimer(int) override {
    if (pumping_) {
      ++nestedTicks;
      return;
    }
    ++outerTicks;
    pumping_ = true;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 300) {
      ui::DispatchPendingMessages();
      Sleep(1);
    }
    pumping_ = false;
    KillTimer(1);
    EndDialog(ui::kIdOk);
  }

 private:
  bool pumping_ = false;
};

TEST_F(Win32Shell, TicksRunInsideATickThatPumps) {
  TickingDialog dialog;
  EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
  EXPECT_EQ(dialog.outerTicks, 1);
  EXPECT_GE(dialog.nestedTicks, 5);
}

}  // namespace
