#include "app/main_dlg.h"

#include <string>

#include "app/about_dlg.h"
#include "app/port_settings_dlg.h"
#include "app/resources.h"
#include "app/settings.h"
#include "ui/win_app.h"

namespace {
ui::CDialog* serverWindow = nullptr;
}

void SetServerWindow(ui::CDialog* window) { serverWindow = window; }

CMainDlg::CMainDlg() : CDialog(MainDialogTemplate()), icon_(IDR_MAINFRAME) {}

bool CMainDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (HasSystemMenu()) {
    std::string about = LoadResourceString(IDS_ABOUTBOX);
    if (!about.empty()) {
      AppendSystemMenu(0, "");
      AppendSystemMenu(IDM_ABOUTBOX, about);
    }
  }
  SetIcon(icon_, true);
  SetIcon(icon_, false);
  g_CommSettings.LoadSettings();
  return true;
}

bool CMainDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_CONFIG_COMMS:
      OnConfigComms();
      return true;
    case IDC_TALK_TO_CALC:
      OnTalkToCalc();
      return true;
    default:
      return CDialog::OnCommand(id, code);
  }
}

void CMainDlg::OnOK() { OnCancel(); }

void CMainDlg::OnCancel() {
  g_CommSettings.SaveSettings();
  CDialog::OnCancel();
}

void CMainDlg::OnSysCommand(int command) {
  if ((command & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
  } else {
    CDialog::OnSysCommand(command);
  }
}

void CMainDlg::OnDestroy() {
  if (ui::CWinApp* app = ui::CurrentApp()) app->QuitHelp();
  CDialog::OnDestroy();
}

void CMainDlg::OnConfigComms() {
  CPortSettingsDlg& dialog = g_PortSettingsDlg;
  dialog.baud = g_CommSettings.baud;
  dialog.parity = g_CommSettings.parity;
  dialog.port = g_CommSettings.port;
  dialog.stopbits = g_CommSettings.stopbits;
  dialog.length = g_CommSettings.length;
  if (dialog.DoModal() == ui::kIdOk) {
    g_CommSettings.baud = dialog.baud;
    g_CommSettings.parity = dialog.parity;
    g_CommSettings.port = dialog.port;
    g_CommSettings.stopbits = dialog.stopbits;
    g_CommSettings.length = dialog.length;
  }
}

void CMainDlg::OnTalkToCalc() {
  if (serverWindow != nullptr) serverWindow->DoModal();
}
