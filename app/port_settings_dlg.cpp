#include "app/port_settings_dlg.h"

#include <optional>

#include "app/port_checks.h"
#include "app/resources.h"
#include "app/settings.h"
#include "ui/message_box.h"

CPortSettingsDlg g_PortSettingsDlg;

CPortSettingsDlg::CPortSettingsDlg() : CDialog(PortSettingsTemplate()) {}

bool CPortSettingsDlg::OnInitDialog() {
  const bool focusFirst = CDialog::OnInitDialog();
  // Port names say nothing by themselves: say which device each one reaches.
  auto line = [](int32_t index) {
    return CommSettings::CommDeviceText(index, g_CommSettings.CommDevice(index));
  };
  Window()->SetToolTip(IDC_PORT_COMBO, line(0) + "\n" + line(1));
  return focusFirst;
}

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
