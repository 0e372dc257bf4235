#include "xfer/transfer.h"

#include <cstdarg>

#include "xfer/engine.h"
#include "xfer/file_list.h"
#include "xfer/receiver.h"
#include "xfer/sender.h"

namespace {

constexpr int32_t kOptIgnored = 1001;
constexpr int32_t kOptIgnoredValue = 1027;  // followed by a value

enum class Entry { kSend, kSend1K, kReceive };

// Applies the tags up to XFER_OPT_END; false at the first tag this entry point does not accept.
bool ReadOptions(TransferContext& ctx, Entry entry, va_list args) {
  for (;;) {
    const int32_t tag = va_arg(args, int32_t);
    switch (tag) {
      case XFER_OPT_END:
        return true;
      case kOptIgnored:
        break;
      case XFER_OPT_CARRIER_WATCH:
        ctx.carrierWatch = true;
        break;
      case XFER_OPT_ABORT_KEY:
        ctx.abortKey = va_arg(args, int32_t);
        break;
      case XFER_OPT_CHECKSUM:
        if (entry == Entry::kSend1K) return false;
        ctx.useCrc = false;
        break;
      case XFER_OPT_STREAMING:
        if (entry != Entry::kSend1K) return false;
        ctx.mode = SendMode::kStreaming;
        break;
      case XFER_OPT_REPLY_TIMEOUT:
        if (entry == Entry::kReceive) return false;
        ctx.replyTimeout = va_arg(args, int32_t);
        break;
      case kOptIgnoredValue:
        va_arg(args, int32_t);
        break;
      case XFER_OPT_ZK_CRC:
        if (entry != Entry::kSend1K) return false;
        ctx.useZkCrc = true;
        break;
      default:
        return false;
    }
  }
}

void Prepare(TransferContext& ctx, CSerialPort* port, LogCallback log, ProgressCallback progress,
             SendMode mode) {
  ctx.port = port;
  ctx.logCallback = log;
  ctx.progressCallback = progress;
  ctx.mode = mode;
}

int32_t Finish(TransferContext& ctx) {
  xfer::EndTransfer(ctx);
  return ctx.result != XFER_OK ? ctx.result : ctx.filesOpened;
}

int32_t Send(TransferContext& ctx, const char* fileSpec) {
  ctx.fileList.reset(xfer::CreateFileSpecList(fileSpec));
  ctx.sending = true;
  if (xfer::BeginTransfer(ctx)) xfer::RunSender(ctx);
  return Finish(ctx);
}

int32_t Receive(TransferContext& ctx) {
  ctx.sending = false;
  if (xfer::BeginTransfer(ctx)) xfer::RunReceiver(ctx);
  return Finish(ctx);
}

}  // namespace

int32_t XmodemSend(CSerialPort* port, const char* fileSpec, LogCallback log,
                   ProgressCallback progress, ...) {
  TransferContext ctx;
  Prepare(ctx, port, log, progress, SendMode::kShortBlocks);
  va_list args;
  va_start(args, progress);
  const bool accepted = ReadOptions(ctx, Entry::kSend, args);
  va_end(args);
  return accepted ? Send(ctx, fileSpec) : XFER_BAD_OPTION;
}

int32_t XmodemSend1K(CSerialPort* port, const char* fileSpec, LogCallback log,
                     ProgressCallback progress, ...) {
  TransferContext ctx;
  Prepare(ctx, port, log, progress, SendMode::kLongBlocks);
  va_list args;
  va_start(args, progress);
  const bool accepted = ReadOptions(ctx, Entry::kSend1K, args);
  va_end(args);
  return accepted ? Send(ctx, fileSpec) : XFER_BAD_OPTION;
}

int32_t XmodemReceive(CSerialPort* port, const char* fileName, LogCallback log,
                      ProgressCallback progress, ...) {
  TransferContext ctx;
  Prepare(ctx, port, log, progress, SendMode::kShortBlocks);
  ctx.fileName = fileName;
  va_list args;
  va_start(args, progress);
  const bool accepted = ReadOptions(ctx, Entry::kReceive, args);
  va_end(args);
  return accepted ? Receive(ctx) : XFER_BAD_OPTION;
}
