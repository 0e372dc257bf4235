#include "xfer/sender.h"

#include <climits>
#include <cstring>

#include "host/clock.h"
#include "xfer/block_checks.h"
#include "xfer/engine.h"
#include "xfer/file_access.h"
#include "xfer/file_list.h"
#include "xfer/line_waits.h"
#include "xfer/log_lines.h"

namespace xfer {
namespace {

// Above this many bytes left, a 1K block is worth its padding.
constexpr int32_t kLongBlockThreshold = 896;
// The drain of one queued block; far more than a full queue needs at any usable line speed.
constexpr uint32_t kDrainLimitMs = 60000;

bool StartHandshake(TransferContext& ctx) {
  if (CheckAbort(ctx)) return false;
  for (;;) {
    const int32_t c = WaitForChar(ctx, ctx.replyTimeout);
    if (c == kWaitStopped) return false;
    if (c >= 0) {
      const int32_t previous = ctx.lastChar;
      ctx.lastChar = c;
      switch (c) {
        case NAK:
          if (ctx.useCrc) {
            LogLine(ctx, kLogFallingBackToChecksum);
            ctx.useCrc = false;
          }
          // Only a receiver that asked with 'D' can check the ZK CRC.
          ctx.useZkCrc = false;
          return true;
        case CAN:
          if (previous == CAN) {
            ctx.result = XFER_REMOTE_CANCEL;
            LogLine(ctx, kLogRemoteCancel);
            return false;
          }
          break;
        case 'C':
          if (ctx.useCrc && ctx.mode != SendMode::kStreaming) {
            ctx.useZkCrc = false;
            return true;
          }
          break;
        case 'D':
          LogLine(ctx, kLogDetectedZkCrc);
          if (ctx.useZkCrc) return true;
          break;
        case 'G':
          if (ctx.mode == SendMode::kStreaming) return true;
          break;
        default:
          if (!DiscardUntilQuiet(ctx)) return false;
          break;
      }
    }
    ++ctx.totalErrors;
    if (++ctx.consecutiveErrors >= kMaxErrors) {
      ctx.result = XFER_TIMEOUT;
      return false;
    }
    if (CheckAbort(ctx)) return false;
  }
}

// False with blockLength 0 at the end of the file, or with result set.
bool ReadBlock(TransferContext& ctx) {
  ctx.blockLength = 128;
  if (ctx.mode != SendMode::kShortBlocks && ctx.fileSize - ctx.bytesDone > kLongBlockThreshold)
    ctx.blockLength = 1024;
  const size_t read = std::fread(ctx.buffer.get(), 1, ctx.blockLength, ctx.file.get());
  if (read == 0) {
    // A read error must not pass for the end of the file: the peer would keep a cut-off copy.
    if (std::ferror(ctx.file.get())) FailStep(ctx, XFER_FILE_IO);
    ctx.blockLength = 0;
    return false;
  }
  std::memset(ctx.buffer.get() + read, 0, ctx.blockLength - read);
  ctx.blockNumber = ctx.blockCounter % 256;
  ++ctx.blockCounter;
  ctx.bytesDone += static_cast<int32_t>(read);
  return !CheckAbort(ctx);
}

bool WriteCheckPair(TransferContext& ctx, uint16_t value) {
  const bool high = WriteChar(ctx, static_cast<uint8_t>(value >> 8)) == 0;
  const bool low = WriteChar(ctx, static_cast<uint8_t>(value & 0xFF)) == 0;
  return high && low;
}

// A block's pieces leave in one write when the queue has room: the peer then wakes once for it.
class HeldOutput {
 public:
  explicit HeldOutput(CSerialPort* port) : port_(port) { HoldOutput(port_); }
  ~HeldOutput() { ReleaseOutput(port_); }
  HeldOutput(const HeldOutput&) = delete;
  HeldOutput& operator=(const HeldOutput&) = delete;

 private:
  CSerialPort* port_;
};

bool SendBlock(TransferContext& ctx) {
  LogLine(ctx, kLogSendingBlock, static_cast<long>(ctx.blockCounter - 1));
  const HeldOutput held(ctx.port);
  if (WriteChar(ctx, ctx.blockLength == 128 ? SOH : STX) != 0) {
    LogLine(ctx, kLogErrorSendingFirstCharacter);
    FailStep(ctx, XFER_SEND_FAILED);
    return false;
  }
  const bool number = WriteChar(ctx, static_cast<uint8_t>(ctx.blockNumber)) == 0;
  const bool complement = WriteChar(ctx, static_cast<uint8_t>(255 - ctx.blockNumber)) == 0;
  if (!number || !complement) {
    LogLine(ctx, kLogErrorSendingBlockNumber);
    FailStep(ctx, XFER_SEND_FAILED);
    return false;
  }
  const std::span<const uint8_t> data(ctx.buffer.get(), ctx.blockLength);
  if (WriteBuffer(ctx, data) != 0) return false;
  if (ctx.useZkCrc) {
    ctx.checkValue = Crc16Zk(data);
    return WriteCheckPair(ctx, static_cast<uint16_t>(ctx.checkValue));
  }
  bool sent;
  if (ctx.useCrc) {
    ctx.checkValue = Crc16Xmodem(data);
    sent = WriteCheckPair(ctx, static_cast<uint16_t>(ctx.checkValue));
  } else {
    ctx.checkValue = Checksum8(data);
    sent = WriteChar(ctx, static_cast<uint8_t>(ctx.checkValue)) == 0;
  }
  if (!sent) {
    LogLine(ctx, kLogErrorSendingChecksum);
    FailStep(ctx, XFER_SEND_FAILED);
  }
  return sent;
}

// Throws away up to count bytes that the receiver sent before it can have had the whole block:
// answers to earlier copies of a block (an ACK among them would be taken for this block's and the
// block skipped), its start characters, noise. A cancel among them still counts. False when the
// transfer ends.
bool DiscardStaleReplies(TransferContext& ctx, int32_t count = INT32_MAX) {
  CSerialPort* port = ctx.port;
  for (; count > 0 && port->ops.RxCount(port) > 0; --count) {
    const int32_t c = port->ops.GetChar(port);
    if (c < 0) break;
    if (c == CAN && ctx.lastChar == CAN) {
      ctx.result = XFER_REMOTE_CANCEL;
      return false;
    }
    ctx.lastChar = c;
  }
  return true;
}

// Waits until the port has sent what it queued, so that the reply time-out starts at the end of
// the block. What arrived while part of the block was still queued cannot answer it and is
// thrown away. False when the abort check said stop, the wait hook failed, the queue is stuck,
// or a cancel came.
bool DrainOutput(TransferContext& ctx) {
  CSerialPort* port = ctx.port;
  const uint32_t start = host::TickCount();
  for (;;) {
    const int32_t arrived = port->ops.RxCount(port);
    if (port->ops.TxCount(port) <= 0) break;
    if (!DiscardStaleReplies(ctx, arrived)) return false;
    if (CheckAbort(ctx)) return false;
    if (host::TicksSince(start) >= kDrainLimitMs) return false;
    const int32_t hook =
        PortWaitStep(port, static_cast<int32_t>(kDrainLimitMs - host::TicksSince(start)));
    if (hook < 0) {
      port->status = hook;
      return false;
    }
  }
  if (port->status == PORT_UNSUPPORTED) port->status = PORT_OK;
  return true;
}

// True when the block (or the EOT) was acknowledged.
bool AwaitReply(TransferContext& ctx) {
  CSerialPort* port = ctx.port;
  if (ctx.mode != SendMode::kStreaming) {
    if (port->status < 0 || !DrainOutput(ctx)) return false;
  } else if (ctx.blockLength != 0 && port->ops.RxCount(port) <= 0) {
    return true;
  }
  const int32_t c = WaitForChar(ctx, ctx.replyTimeout);
  if (c < 0) return false;
  const int32_t previous = ctx.lastChar;
  ctx.lastChar = c;
  switch (c) {
    case ACK:
      return true;
    case NAK:
      if (ctx.mode == SendMode::kStreaming) ctx.result = XFER_REMOTE_CANCEL;
      return false;
    case CAN:
      if (ctx.mode == SendMode::kStreaming || previous == CAN) ctx.result = XFER_REMOTE_CANCEL;
      return false;
    default:
      DiscardUntilQuiet(ctx);
      return false;
  }
}

}  // namespace

void RunSender(TransferContext& ctx) {
  if (ctx.fileList && !ctx.fileList->ops->NextFile(ctx.fileList.get())) {
    ctx.result = XFER_NO_FILE;
    return;
  }
  if (!OpenTransferFile(ctx) || !StartHandshake(ctx)) return;
  if (!ReadBlock(ctx)) {
    if (ctx.result == XFER_OK) ctx.result = XFER_FILE_IO;  // nothing to send: an empty file
    return;
  }
  for (;;) {
    if (ctx.mode != SendMode::kStreaming && !DiscardStaleReplies(ctx)) return;
    if (ctx.blockLength != 0) {
      if (!SendBlock(ctx)) return;
    } else {
      LogLine(ctx, kLogFileTransmissionComplete);
      if (WriteChar(ctx, EOT) != 0) {
        FailStep(ctx, XFER_EOT_FAILED);
        return;
      }
    }
    if (AwaitReply(ctx)) {
      ctx.consecutiveErrors = 0;
      if (ctx.blockLength == 0) return;  // the EOT was acknowledged
      if (!ReadBlock(ctx) && ctx.result != XFER_OK) return;
      continue;
    }
    if (ctx.result != XFER_OK) return;
    ++ctx.totalErrors;
    if (++ctx.consecutiveErrors >= kMaxErrors) {
      LogLine(ctx, kLogExceededErrorCount);
      ctx.result = XFER_TOO_MANY_ERRORS;
      DumpDataLog(std::span<const uint8_t>(ctx.buffer.get(), kBufferSize));
      return;
    }
  }
}

}  // namespace xfer
