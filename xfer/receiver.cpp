#include "xfer/receiver.h"

#include <algorithm>
#include <climits>

#include "host/clock.h"
#include "xfer/block_checks.h"
#include "xfer/engine.h"
#include "xfer/file_access.h"
#include "xfer/line_waits.h"
#include "xfer/log_lines.h"

namespace xfer {
namespace {

constexpr int32_t kByteMs = 1000;
constexpr uint32_t kMaxPurgeMs = 10000;

enum class Block { kData, kEndOfFile, kFailed };

uint8_t RequestChar(const TransferContext& ctx) {
  if (ctx.blockCounter >= 2) return NAK;
  return ctx.useCrc ? 'C' : NAK;
}

bool SendRequest(TransferContext& ctx) {
  if (WriteChar(ctx, RequestChar(ctx)) == 0) return true;
  FailStep(ctx, XFER_REPLY_FAILED);
  return false;
}

bool SendAck(TransferContext& ctx) {
  if (WriteChar(ctx, ACK) == 0) return true;
  FailStep(ctx, XFER_ACK_FAILED);
  return false;
}

void CountError(TransferContext& ctx) {
  ++ctx.totalErrors;
  ++ctx.consecutiveErrors;
}

// Empties the line of a broken block's remains, until a second passes without a byte; false when
// the abort check said stop. A 0x00 does not end it early: data fields are full of them, and the
// rest of the block would then be read as headers, where a stray EOT byte ends the transfer as if
// it had succeeded.
bool PurgeLine(TransferContext& ctx) {
  CSerialPort* port = ctx.port;
  const uint32_t start = host::TickCount();
  for (;;) {
    if (CheckAbort(ctx)) return false;
    while (port->ops.GetChar(port) >= 0) {
    }
    if (ReadCharTimed(port, kByteMs) < 0 || host::TicksSince(start) >= kMaxPurgeMs) return true;
  }
}

// The line is emptied before the request goes out: the sender's repeat would otherwise arrive
// during the purge and be thrown away with the rest.
bool RejectBrokenBlock(TransferContext& ctx) {
  if (!PurgeLine(ctx) || !SendRequest(ctx)) return false;
  CountError(ctx);
  return true;
}

// How long the line must stay quiet after an EOT byte for it to count as the end. The rest of a
// block whose header was lost follows the number byte at the line's rate; a USB adapter hands
// bytes over in batches, as a rule every 16 ms, and a busy machine moves them on late, which the
// allowance covers three times over. A line of unknown rate keeps a second.
int32_t EotQuietMs(const CSerialPort* port) {
  constexpr uint32_t kAllowanceMs = 50;
  const uint32_t byteUs = ByteTimeMicros(port);
  if (byteUs == 0) return kByteMs;
  return static_cast<int32_t>(kAllowanceMs + (2 * byteUs + 999) / 1000);
}

// An EOT is followed by silence while its sender waits for the answer (or by the sender's repeat
// of it). An EOT byte followed by anything else was a block whose header the line lost: the
// block number 4, say. A wait cut short by a failing wait hook confirms nothing.
bool EotConfirmed(TransferContext& ctx) {
  const int32_t next = ReadCharTimed(ctx.port, EotQuietMs(ctx.port));
  return next == PORT_RX_EMPTY || next == EOT;
}

// SOH, STX or EOT; or a negative value when the wait failed (counted, request sent) or ended.
int32_t WaitForHeader(TransferContext& ctx) {
  const int32_t c = WaitForChar(ctx, ctx.blockCounter < 2 ? 5000 : 10000);
  if (c == kWaitStopped) return kWaitStopped;
  if (c >= 0) {
    const int32_t previous = ctx.lastChar;
    ctx.lastChar = c;
    if (c == SOH || c == STX || (c == EOT && EotConfirmed(ctx))) return c;
    if (c == CAN && previous == CAN) {
      ctx.result = XFER_REMOTE_CANCEL;
      return kWaitStopped;
    }
    if (c != CAN && !DiscardUntilQuiet(ctx)) return kWaitStopped;
  }
  CountError(ctx);
  // Checksum mode is for a sender that ignored the 'C'; one that has sent a block speaks CRC, and
  // switching then would misread every block that follows.
  if (ctx.consecutiveErrors > 2 && ctx.blockCounter < 2 && ctx.blockLength < 0) ctx.useCrc = false;
  if (!SendRequest(ctx)) return kWaitStopped;
  if (ctx.consecutiveErrors >= kMaxErrors) ctx.result = XFER_TIMEOUT;
  return kWaitTimedOut;
}

// Reads the number pair, data field and check of a block whose header has arrived. False when the
// block is broken (handled) or the transfer must end (result set).
bool ReadBlockBody(TransferContext& ctx) {
  CSerialPort* port = ctx.port;
  const int32_t number = ReadCharTimed(port, kByteMs);
  const int32_t complement = ReadCharTimed(port, kByteMs);
  if (number < 0 || complement < 0 || number != 255 - complement) {
    if (RejectBrokenBlock(ctx)) {
      LogLine(ctx, kLogBadBlockNumbers, static_cast<unsigned>(number),
              static_cast<unsigned>(complement));
    }
    return false;
  }
  ctx.blockNumber = number;
  for (int32_t i = 0; i < ctx.blockLength;) {
    // What has arrived is taken in one go; the byte time limit applies only while waiting.
    const auto wanted = static_cast<uint32_t>(ctx.blockLength - i);
    if (port->ops.RxCount(port) > 0 && port->ops.GetBytes(port, &ctx.buffer[i], wanted) == 0) {
      i += static_cast<int32_t>(std::min(port->count, wanted));
      continue;
    }
    const int32_t c = ReadCharTimed(port, kByteMs);
    if (c < 0) {
      RejectBrokenBlock(ctx);
      return false;
    }
    ctx.buffer[i++] = static_cast<uint8_t>(c);
  }
  const int32_t first = ReadCharTimed(port, kByteMs);
  const int32_t second = ctx.useCrc ? ReadCharTimed(port, kByteMs) : 0;
  if (first < 0 || second < 0) {
    RejectBrokenBlock(ctx);
    return false;
  }
  ctx.checkValue = ctx.useCrc ? first * 256 + second : first;
  return true;
}

// True when the block read is the one expected and intact; otherwise it has been answered.
bool AcceptBlock(TransferContext& ctx) {
  if (ctx.blockNumber == (ctx.blockCounter - 1) % 256) {
    if (!SendAck(ctx)) return false;
    CountError(ctx);
    LogLine(ctx, kLogDuplicateBlock, static_cast<long>(ctx.blockCounter));
    return false;
  }
  // A block that is out of sequence or fails its check may have been misread from a damaged
  // stream; its remains are purged like those of a broken block, lest a stray byte pass for a
  // header (an EOT would end the transfer as a success).
  if (ctx.blockNumber != ctx.blockCounter % 256) {
    if (!RejectBrokenBlock(ctx)) return false;
    LogLine(ctx, kLogBadBlockNumber, static_cast<long>(ctx.blockCounter));
    return false;
  }
  const std::span<const uint8_t> data(ctx.buffer.get(), ctx.blockLength);
  const int32_t expected = ctx.useCrc ? Crc16Xmodem(data) : Checksum8(data);
  if (expected != ctx.checkValue) {
    if (!RejectBrokenBlock(ctx)) return false;
    if (ctx.useCrc)
      LogLine(ctx, kLogBadCrc, static_cast<long>(ctx.blockCounter));
    else
      LogLine(ctx, kLogBadChecksum, static_cast<long>(ctx.blockCounter));
    return false;
  }
  LogLine(ctx, kLogReadBlock, ctx.blockLength, static_cast<long>(ctx.blockCounter));
  ++ctx.blockCounter;
  return true;
}

Block ReceiveBlock(TransferContext& ctx) {
  for (;;) {
    if (ctx.consecutiveErrors >= kMaxErrors) {
      ctx.result = XFER_TOO_MANY_ERRORS;
      return Block::kFailed;
    }
    if (CheckAbort(ctx)) return Block::kFailed;
    const int32_t header = WaitForHeader(ctx);
    if (header == EOT) return Block::kEndOfFile;
    if (header >= 0) {
      ctx.blockLength = header == SOH ? 128 : 1024;
      if (ReadBlockBody(ctx) && AcceptBlock(ctx)) return Block::kData;
    }
    if (ctx.result != XFER_OK) return Block::kFailed;
  }
}

bool StoreBlock(TransferContext& ctx) {
  const size_t length = static_cast<size_t>(ctx.blockLength);
  // Flushed block by block so that a full disk is noticed while the peer can still be told.
  return std::fwrite(ctx.buffer.get(), 1, length, ctx.file.get()) == length &&
         std::fflush(ctx.file.get()) == 0;
}

}  // namespace

void RunReceiver(TransferContext& ctx) {
  if (!OpenTransferFile(ctx) || !SendRequest(ctx)) return;
  for (;;) {
    switch (ReceiveBlock(ctx)) {
      case Block::kData:
        if (ctx.bytesDone > INT32_MAX - ctx.blockLength) {
          LogLine(ctx, kLogFileTooLarge);
          FailStep(ctx, XFER_FILE_IO);
          return;
        }
        if (!StoreBlock(ctx)) {
          FailStep(ctx, XFER_FILE_IO);
          return;
        }
        ctx.bytesDone += ctx.blockLength;
        if (!SendAck(ctx)) return;
        ctx.consecutiveErrors = 0;
        break;
      case Block::kEndOfFile:
        SendAck(ctx);
        LogLine(ctx, kLogEndOfFile);
        return;
      case Block::kFailed:
        return;
    }
  }
}

}  // namespace xfer
