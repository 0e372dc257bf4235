#include <cstdio>
#include <filesystem>
#include <string>

#include "app/settings.h"
#include "host/clock.h"
#include "host/printable_text.h"
#include "server/comm_port.h"
#include "server/log_lines.h"
#include "server/request_names.h"
#include "server/server_window.h"
#include "server/transfer_status.h"
#include "xfer/transfer.h"

namespace {

// The name of a request ends at its first zero byte.
std::string RequestedName(const std::string& parameter) {
  return parameter.substr(0, parameter.find('\0'));
}

bool CanReadFile(const std::string& name) {
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

// Whether the file can be written, without touching the content of an existing one: a failed put
// must not cost the user the copy they had (the engine replaces it only when a transfer succeeds).
bool CanWriteFile(const std::string& name) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(name, error);
  const bool existed = std::filesystem::exists(status);
  if (existed && !std::filesystem::is_regular_file(status)) return false;
  std::FILE* file = std::fopen(name.c_str(), "ab");
  if (file == nullptr) return false;
  std::fclose(file);
  if (!existed) std::remove(name.c_str());
  return true;
}

void SendByte(uint8_t byte) { g_CommSettings.SendBytesPaced(std::span(&byte, 1)); }

}  // namespace

void CServerStatusDlg::DispatchPacket() {
  const char letter = receiver_.command.empty() ? '\0' : receiver_.command.front();
  if (letter == 'G') {
    OnGetRequest(receiver_.parameter);
  } else if (letter == 'P') {
    OnPutRequest(receiver_.parameter);
  }
}

void CServerStatusDlg::OnGetRequest(const std::string& parameter) {
  if (parameter.empty()) {
    SendByte(NAK);
    AddLogLine(kLogGetWithoutName);
    return;
  }
  const std::string name = RequestedName(parameter);
  fileField_.ResetContent();
  fileField_.AddString(host::PrintableText(name));
  SendFileToCalc(name);
}

void CServerStatusDlg::OnPutRequest(const std::string& parameter) {
  if (parameter.empty()) {
    AddLogLine(kLogPutWithoutName);
    return;
  }
  const std::string name = RequestedName(parameter);
  AddLogLine(kLogReceivingFile + name);
  ReceiveFileFromCalc(name);
}

void CServerStatusDlg::RefuseFile(const std::string& refusal) {
  SendByte(NAK);
  AddLogLine(kLogCantOpenFile);
  if (!refusal.empty()) AddLogLine(kLogNameRefused + refusal);
}

void CServerStatusDlg::SendFileToCalc(const std::string& name) {
  const RequestedFile file = ResolveGetName(name);
  if (file.path.empty() || !CanReadFile(file.path)) {
    RefuseFile(file.refusal);
    return;
  }
  SendByte(ACK);
  g_TransferSnapshot.startTime = host::CalendarSeconds();
  g_TransferSnapshot.startTick = host::TickCount();
  ShowSendStart();
  const TransferProtocol protocol = GetSelectedProtocol();
  AddLogLine(SendingViaLine(protocol));
  transferring_ = true;
  const int32_t result = SendWithProtocol(protocol, g_CommPort, name.c_str());
  transferring_ = false;
  // The engine's last lines first, so that its own account of a failure precedes the verdict.
  ShowTransferReports();
  ShowSendEnd(result);
  if (result < 0) {
    AddLogLine(kLogProblemsSending);
    LogTransferResult(result);
  }
}

void CServerStatusDlg::ReceiveFileFromCalc(const std::string& name) {
  const RequestedFile file = ResolvePutName(name);
  if (file.path.empty() || !CanWriteFile(file.path)) {
    RefuseFile(file.refusal);
    return;
  }
  SendByte(ACK);
  transferring_ = true;
  const int32_t result = XmodemReceive(g_CommPort, file.path.c_str(), nullptr, OnReceiveProgress,
                                       XFER_OPT_CHECKSUM, XFER_OPT_END);
  transferring_ = false;
  if (result < 0) {
    AddLogLine(kLogProblemsReceiving);
    LogTransferResult(result);
  }
}

TransferProtocol CServerStatusDlg::GetSelectedProtocol() const {
  const int selected = protocolCombo_.GetCurSel();
  if (selected < 0) return PROTOCOL_XMODEM128;
  return ProtocolFromItemText(protocolCombo_.GetLBText(selected));
}

void CServerStatusDlg::OnProtocolChanged() {
  const int selected = protocolCombo_.GetCurSel();
  if (selected >= 0) g_CommSettings.protocol = protocolCombo_.GetLBText(selected);
}

void CServerStatusDlg::SetDownloadMode() {
  AddLogLine(kLogSettingDownloadMode);
  g_CommSettings.SendBytesPaced(DOWNLOAD_MODE_SEQUENCE);
}

void CServerStatusDlg::OnSetDownloadMode() {
  if (transferring_) {
    AddLogLine(kLogSpecialBytesWhileTransferring);
    return;
  }
  if (portLost_) {
    AddLogLine(kLogSpecialBytesWithoutPort + CommPortName());
    return;
  }
  SetDownloadMode();
}
