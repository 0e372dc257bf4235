#include "server/server_window.h"

#include "app/settings.h"
#include "host/clock.h"
#include "host/current_directory.h"
#include "host/printable_text.h"
#include "server/comm_port.h"
#include "server/log_lines.h"
#include "server/transfer_status.h"
#include "ui/message_box.h"

CServerStatusDlg g_ServerStatusDlg;
CServerStatusDlg* CServerStatusDlg::hookOwner_ = nullptr;

CServerStatusDlg::CServerStatusDlg()
    : ui::CDialog(ServerStatusTemplate()),
      receiver_([this](const std::string& line) { AddLogLine(line); }) {}

CServerStatusDlg::~CServerStatusDlg() { RemoveIdleHook(); }

void CServerStatusDlg::DoDataExchange(ui::DataExchange& dx) {
  dx.Control(IDC_STATUS_LIST, statusList_);
  dx.Control(IDC_LOG_LIST, logList_);
  dx.Control(IDC_FILE_NAME, fileField_);
  dx.Control(IDC_CPS, cpsField_);
  dx.Control(IDC_BYTES_TX, bytesField_);
  dx.Control(IDC_FILE_SIZE, fileSizeField_);
  dx.Control(IDC_TRANSFER_ERRORS, transferErrorsField_);
  dx.Control(IDC_BLOCK_ERRORS, blockErrorsField_);
  dx.Control(IDC_PROGRESS, progressBar_);
  dx.Control(IDC_TIME_LEFT, timeLeftField_);
  dx.Control(IDC_PROTOCOL, protocolCombo_);
}

bool CServerStatusDlg::OnInitDialog() {
  ui::CDialog::OnInitDialog();
  receiver_.lastActivity = host::CalendarSeconds();
  exitRequested_ = false;
  g_TransferStopRequested = false;
  openFailed_ = !g_CommSettings.OpenCommPort();
  if (openFailed_) {
    EndDialog(ui::kIdCancel);
    return false;
  }
  InstallIdleHook();
  SetTimer(SERVER_TIMER_ID, SERVER_TICK_MS);

  transferring_ = false;
  portLost_ = false;
  receiver_.Restart();

  logList_.ResetContent();
  logList_.InitStorage(10, 512);
  AddLogLine(g_CommSettings.openedDeviceText);
  AddLogLine(kLogServingTheFolder + host::CurrentDirectory());
  statusShown_.clear();
  statusList_.InitStorage(2, 100);
  SetStatusLine(kLogCommsLineIdle);

  // From the second item on, so that a bare prefix such as "Xmodem1K" picks the CRC variant.
  protocolCombo_.SelectString(0, g_CommSettings.protocol);

  SetDownloadMode();
  return true;
}

bool CServerStatusDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_CLEAR_LOG:
      if (code == ui::kClicked) OnClearLogAndReset();
      return true;
    case IDC_DOWNLOAD_MODE:
      if (code == ui::kClicked) OnSetDownloadMode();
      return true;
    case IDC_PROTOCOL:
      if (code == ui::kSelChange) OnProtocolChanged();
      return true;
    case IDC_LOG_LIST:
      if (code == ui::kErrSpace) OnLogOutOfSpace();
      return true;
    default:
      return ui::CDialog::OnCommand(id, code);
  }
}

void CServerStatusDlg::OnOK() { OnCancel(); }

void CServerStatusDlg::OnCancel() {
  if (!transferring_) {
    Close();
    return;
  }
  // The engine below us on the stack still uses the port: stop it, and close once it returned.
  if (!exitRequested_) {
    exitRequested_ = true;
    g_TransferStopRequested = true;
    ShowTransferReports();
    AddLogLine(kLogExitStopsTransfer);
  }
}

void CServerStatusDlg::Close() {
  KillTimer(SERVER_TIMER_ID);
  // What the engine recorded last still belongs in the log.
  ShowTransferReports();
  g_CommSettings.CloseCommPort();
  RemoveIdleHook();
  g_TransferStopRequested = false;
  EndDialog(ui::kIdCancel);
}

// A window ended by other means than the cancel path (the toolkit closing it) must not keep the
// port: the next opening would find it taken. No transfer runs here: the modal loop has returned.
void CServerStatusDlg::OnDestroy() {
  if (g_CommPort != nullptr) g_CommSettings.CloseCommPort();
  RemoveIdleHook();
}

void CServerStatusDlg::OnTimer(int id) {
  ShowTransferReports();
  if (!transferring_ && !portLost_ && CommPortLost()) OnPortLost();
  if (portLost_) {
    LookForPort();
  } else if (!transferring_) {
    RXEngine();
    if (receiver_.packetReady) {
      SetStatusLine(kLogCommsLineBusy);
      receiver_.packetReady = false;
      DispatchPacket();
      if (exitRequested_) {
        Close();
        return;
      }
    } else {
      SetStatusLine(kLogCommsLineIdle);
    }
  }
  ui::CDialog::OnTimer(id);
}

void CServerStatusDlg::RXEngine() { receiver_.RXEngine(g_CommPort, host::CalendarSeconds()); }

void CServerStatusDlg::OnClearLogAndReset() {
  logList_.ResetContent();
  receiver_.Restart();
  receiver_.command.clear();
  // The transferring mark stays: it is the engine's, and is cleared when the engine returns.
}

void CServerStatusDlg::OnLogOutOfSpace() {
  ShowMessage(kLogOutOfMemoryForListbox, "Error", ui::kMbOk);
}

void CServerStatusDlg::SetStatusLine(std::string_view text) {
  const std::string line = host::PrintableText(text);
  statusList_.ResetContent();
  statusList_.AddString(line);
  if (line != statusShown_) {
    statusShown_ = line;
    if (observer_.statusLine) observer_.statusLine(statusShown_);
  }
}

// Every line of the log passes here, whoever made it: names from the cable and the engine's lines
// about them reach the list, the standard output and the journal as data, never as line breaks or
// terminal escapes of their own.
void CServerStatusDlg::AddLogLine(std::string_view text) {
  const std::string line = host::PrintableText(text);
  if (logList_.GetCount() == LOG_MAX_LINES) {
    logList_.DeleteString(0);
    logList_.InsertString(LOG_MAX_LINES - 1, line);
  } else {
    logList_.AddString(line);
  }
  if (observer_.logLine) observer_.logLine(line);
}

void CServerStatusDlg::InstallIdleHook() {
  if (idleHookInstalled_) return;
  previousIdleHook_ = IdleHook;
  hookOwner_ = this;
  IdleHook = ServerIdleHook;
  idleHookInstalled_ = true;
}

void CServerStatusDlg::RemoveIdleHook() {
  if (!idleHookInstalled_) return;
  IdleHook = previousIdleHook_;
  hookOwner_ = nullptr;
  idleHookInstalled_ = false;
}

// Once the user asked to leave, every wait of the engine gives up at once, so the transfer ends
// (with the cancel sequence to the calculator) within moments instead of its time-outs.
int32_t CServerStatusDlg::ServerIdleHook(CSerialPort* port) {
  CServerStatusDlg* owner = hookOwner_;
  if (owner == nullptr) return 0;
  const IdleHookFn previous = owner->previousIdleHook_;
  const int32_t answer = previous != nullptr ? previous(port) : 0;
  return owner->exitRequested_ ? PORT_FAILED : answer;
}
