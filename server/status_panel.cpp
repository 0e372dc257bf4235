#include <string>

#include "host/clock.h"
#include "server/send_progress.h"
#include "server/server_window.h"
#include "server/transfer_status.h"
#include "xfer/result_text.h"

namespace {

void ShowText(ui::CListBox& field, const std::string& text) {
  field.ResetContent();
  if (!text.empty()) field.AddString(text);
}

void ShowNumber(ui::CListBox& field, int64_t value) { ShowText(field, std::to_string(value)); }

}  // namespace

void CServerStatusDlg::ShowTransferReports() {
  if (g_TransferSnapshot.changed) {
    g_TransferSnapshot.changed = false;
    ShowBytesAndCps(g_TransferSnapshot.bytesDone);
    ShowFileSize(g_TransferSnapshot.fileSize);
    ShowTransferErrors(g_TransferSnapshot.totalErrors);
    ShowBlockErrors(g_TransferSnapshot.consecutiveErrors);
    ShowProgress(g_TransferSnapshot.bytesDone, g_TransferSnapshot.fileSize);
  }
  if (g_LogQueue.pending) {
    // Clear first: a line logged while these are shown belongs to the next flush, not this one.
    const int count = g_LogQueue.count;
    g_LogQueue.count = 0;
    g_LogQueue.pending = false;
    for (int i = 0; i < count; ++i) AddLogLine(g_LogQueue.lines[i]);
  }
}

void CServerStatusDlg::ShowBytesAndCps(int32_t bytes) {
  const uint32_t cps =
      CharactersPerSecond(bytes, g_TransferSnapshot.startTime, host::CalendarSeconds());
  ShowNumber(cpsField_, cps);
  ShowNumber(bytesField_, bytes);
}

void CServerStatusDlg::ShowFileSize(int32_t n) { ShowNumber(fileSizeField_, n); }
void CServerStatusDlg::ShowTransferErrors(int32_t n) { ShowNumber(transferErrorsField_, n); }
void CServerStatusDlg::ShowBlockErrors(int32_t n) { ShowNumber(blockErrorsField_, n); }

void CServerStatusDlg::ShowProgress(int32_t bytes, int32_t fileSize) {
  progressBar_.SetRange(ProgressBarMaximum(fileSize));
  progressBar_.SetPos(ProgressBarPosition(bytes, fileSize));
  const uint32_t elapsedMs = host::TicksSince(g_TransferSnapshot.startTick);
  ShowText(timeLeftField_, TimeLeftText(bytes, fileSize, elapsedMs));
}

void CServerStatusDlg::ShowSendStart() {
  progressBar_.SetPos(0);
  ShowText(timeLeftField_, "");
}

// A failed send leaves the bar where it stopped.
void CServerStatusDlg::ShowSendEnd(int32_t result) {
  if (result >= 0) progressBar_.SetPos(progressBar_.GetRangeMaximum());
  ShowText(timeLeftField_, SendEndText(result));
}

void CServerStatusDlg::LogTransferResult(int32_t code) { AddLogLine(TransferResultWordsOf(code).logLine); }
