#include "app/port_settings_dlg.h"

#include <optional>

#include "app/port_checks.h"
#include "app/resources.h"
#include "ui/message_box.h"

CPortSettingsDlg g_PortSettingsDlg;

CPortSettingsDlg::CPortSettingsDlg() : CDialog(PortSettingsTemplate()) {}

void CPortSettingsDlg::DoDataExchange(ui::DataExchange& dx) { dx.Text(IDC_PORT_COMBO, port); }

void CPortSettingsDlg::OnOK() {
  UpdateData(true);
  if (std::optional<std::string> message =
          FirstFailingPortCheck(port, baud, parity, length, stopbits)) {
    ShowMessage(*message, "Error", ui::kMbOk | ui::kMbIconError);
    return;
  }
  CDialog::OnOK();
}
