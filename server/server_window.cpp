#include "server/server_window.h"

#include "server/server_resources.h"

CServerStatusDlg g_ServerStatusDlg;

CServerStatusDlg::CServerStatusDlg() : CDialog(ServerStatusTemplate()) {}

void CServerStatusDlg::OnOK() { OnCancel(); }
