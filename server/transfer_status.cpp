#include "server/transfer_status.h"

#include "xfer/transfer.h"

TransferSnapshot g_TransferSnapshot;
LogQueue g_LogQueue;
bool g_TransferStopRequested = false;

void OnTransferProgress(TransferContext* context) {
  g_TransferSnapshot.changed = true;
  g_TransferSnapshot.bytesDone = context->bytesDone;
  g_TransferSnapshot.fileSize = context->fileSize;
  g_TransferSnapshot.totalErrors = context->totalErrors;
  g_TransferSnapshot.consecutiveErrors = context->consecutiveErrors;
  OnReceiveProgress(context);
}

void OnReceiveProgress(TransferContext* context) {
  if (g_TransferStopRequested) context->result = XFER_STOPPED;
}

int32_t OnTransferLogLine(const char* text) {
  g_LogQueue.pending = true;
  if (g_LogQueue.count < LOG_QUEUE_SLOTS) g_LogQueue.lines[g_LogQueue.count++].assign(text);
  return 0;
}

uint32_t CharactersPerSecond(int32_t bytes, int64_t startTime, int64_t now) {
  const int64_t elapsed = now - startTime;
  if (elapsed < 1 || bytes <= 0) return 0;
  return static_cast<uint32_t>(bytes) / static_cast<uint32_t>(elapsed);
}
