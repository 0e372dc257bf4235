#include "xfer/engine.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <new>

#include "host/clock.h"
#include "xfer/control_bytes.h"
#include "xfer/file_access.h"
#include "xfer/log_lines.h"

namespace xfer {
namespace {

// Some drivers answer this when the device is momentarily busy; it is retried like a full queue.
constexpr int32_t kPortBusy = -36;

constexpr std::array<uint8_t, 20> kCancelSequence = {
    CAN, CAN, CAN, CAN, CAN, CAN, CAN, CAN, CAN, CAN, BS, BS, BS, BS, BS, BS, BS, BS, BS, BS};

struct WriteLimits {
  uint32_t limitMs;
  int32_t firstLineSeconds;
  bool isBuffer;
  TransferResult failCode;
};
constexpr WriteLimits kCharLimits{30000, 25, false, XFER_CHAR_FAILED};
constexpr WriteLimits kBufferLimits{60000, 55, true, XFER_SEND_FAILED};

// An unplugged adapter fails every operation at once (drivers answer PORT_NOT_FOUND and keep it in
// status); waiting out the time-outs against it would only delay the news.
bool DeviceLost(TransferContext& ctx) {
  if (ctx.port->status != PORT_NOT_FOUND) return false;
  if (ctx.result != XFER_STOPPED && ctx.result != XFER_CARRIER_LOST) {
    LogLine(ctx, kLogSerialDeviceLost);
    ctx.result = XFER_CARRIER_LOST;
  }
  return true;
}

// Repeats attempt while the port refuses, until the deadline. attempt answers the port's code and
// sets done once nothing remains to be written.
template <typename Attempt>
int32_t RetryWrite(TransferContext& ctx, const WriteLimits& limits, Attempt attempt) {
  CSerialPort* port = ctx.port;
  const int32_t savedStatus = port->status;
  const uint32_t deadline = host::TickCount() + limits.limitMs;
  int32_t threshold = limits.firstLineSeconds;
  bool done = false;
  int32_t r = attempt(done);
  while (r != PORT_OK) {
    const int32_t left = static_cast<int32_t>(deadline - host::TickCount());
    if (r == PORT_TX_FULL || r == kPortBusy) {
      if (left <= 0) {
        LogLine(ctx, kLogTimeoutSendingBuffer);
        FailStep(ctx, limits.failCode);
        return r;
      }
      port->status = savedStatus;
    } else if (r < 0) {
      if (DeviceLost(ctx)) return r;
      LogLine(ctx, kLogErrorSendingBuffer, r);
      FailStep(ctx, limits.failCode);
      return r;
    }
    if (done) return PORT_OK;
    if (ctx.result != XFER_STOPPED && CheckAbort(ctx)) return ctx.result;
    const int32_t hook = PortWaitStep(port, left);
    if (hook < 0) {
      FailStep(ctx, XFER_CHAR_FAILED);
      return hook;
    }
    const int32_t secondsLeft = left / 1000;
    if (secondsLeft <= threshold) {
      if (limits.isBuffer)
        LogLine(ctx, kLogSecondsToCompleteWriteBuffer, secondsLeft);
      else
        LogLine(ctx, kLogSecondsLeftToWriteChar, secondsLeft);
      threshold -= 5;
    }
    r = attempt(done);
  }
  return PORT_OK;
}

bool CarrierLost(CSerialPort* port) {
  // A driver without the query must not leave a failure behind that later steps would act on.
  const int32_t savedStatus = port->status;
  const int32_t modem = port->ops.ModemStatus(port);
  if (modem < 0) {
    port->status = savedStatus;
    return false;
  }
  return (modem & MS_RLSD_ON) == 0;
}

}  // namespace

void LogLine(TransferContext& ctx, const char* format, ...) {
  if (!ctx.logCallback) return;
  char line[kLogLineSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  ctx.logCallback(line);
}

void FailStep(TransferContext& ctx, TransferResult code) {
  if (ctx.result == XFER_STOPPED || ctx.result == XFER_CARRIER_LOST) return;
  ctx.result = code;
}

bool CheckAbort(TransferContext& ctx) {
  if (ctx.progressCallback) ctx.progressCallback(&ctx);
  if (ctx.result == XFER_STOPPED) return true;
  if (ctx.result < 0) return false;
  if (DeviceLost(ctx)) {
    EndTransfer(ctx);
    return true;
  }
  if (ctx.carrierWatch && CarrierLost(ctx.port)) {
    ctx.result = XFER_CARRIER_LOST;
    LogLine(ctx, kLogTransferAborted);
    EndTransfer(ctx);
    return true;
  }
  return false;
}

int32_t ReadCharTimed(CSerialPort* port, int32_t ms) {
  uint32_t now = host::TickCount();
  const uint32_t deadline = now + static_cast<uint32_t>(ms);
  int32_t waiting = port->ops.RxCount(port);
  for (;;) {
    if (waiting > 0) return port->ops.GetChar(port);
    // A device that has gone will send nothing more: no use waiting out the time.
    if (waiting == PORT_NOT_FOUND) return waiting;
    const int32_t left = ms == -1 ? PORT_WAIT_STEP_MS : static_cast<int32_t>(deadline - now);
    const int32_t hook = PortInputWaitStep(port, left);
    waiting = port->ops.RxCount(port);
    // A byte that came in meanwhile is taken even when the wait ends: a transfer whose last
    // answer has arrived must not be reported as stopped.
    if (waiting > 0) return port->ops.GetChar(port);
    if (hook < 0) {
      port->status = hook;
      return hook;
    }
    if (ms == -1) continue;
    now = host::TickCount();
    if (host::TickReached(now, deadline)) return PORT_RX_EMPTY;
  }
}

int32_t WriteChar(TransferContext& ctx, uint8_t byte) {
  return RetryWrite(ctx, kCharLimits, [&](bool& done) {
    done = false;
    return ctx.port->ops.PutChar(ctx.port, byte);
  });
}

int32_t WriteBuffer(TransferContext& ctx, std::span<const uint8_t> data) {
  CSerialPort* port = ctx.port;
  uint32_t total = 0;
  return RetryWrite(ctx, kBufferLimits, [&](bool& done) {
    const int32_t r = port->ops.PutBytes(port, data.data(), static_cast<uint32_t>(data.size()));
    const uint32_t moved = std::min<uint32_t>(port->count, static_cast<uint32_t>(data.size()));
    data = data.subspan(moved);
    total += moved;
    port->count = total;
    done = data.empty();
    return r;
  });
}

bool BeginTransfer(TransferContext& ctx) {
  ctx.result = XFER_OK;
  ctx.totalErrors = 0;
  ctx.consecutiveErrors = 0;
  ctx.file.reset();
  ctx.blockNumber = -1;
  ctx.blockLength = -1;
  ctx.blockCounter = 1;
  ctx.bytesDone = -1;
  ctx.buffer.reset(new (std::nothrow) uint8_t[kBufferSize]());
  if (!ctx.buffer) {
    LogLine(ctx, kLogBufferAllocationFailed);
    ctx.result = XFER_NO_MEMORY;
    return false;
  }
  ctx.lastChar = -1;
  ctx.port->status = PORT_OK;
  return !CheckAbort(ctx);
}

void EndTransfer(TransferContext& ctx) {
  CloseTransferFile(ctx);
  // A device that has gone can't take the cancel, nor answer during the pause after it.
  if (ctx.result != XFER_OK && ctx.port->status != PORT_NOT_FOUND) {
    // The cancel is a courtesy to the peer; its own failure must not hide why the call failed.
    const TransferResult cause = ctx.result;
    WriteBuffer(ctx, kCancelSequence);
    ctx.result = cause;
    PortDelay(ctx.port, 1000);
    while (ctx.port->ops.RxCount(ctx.port) > 0 && ctx.port->ops.GetChar(ctx.port) >= 0) {
    }
  }
  ctx.buffer.reset();
  if (ctx.fileList) {
    ctx.fileList.reset();
    ctx.fileName = nullptr;  // it pointed into the list
  }
}

void DumpDataLog(std::span<const uint8_t> buffer) {
  std::FILE* log = std::fopen("data.log", "wb");
  if (!log) return;
  for (uint8_t b : buffer) std::fputc(b, log);
  std::fclose(log);
}

}  // namespace xfer
