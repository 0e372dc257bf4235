#pragma once
// The steps that the sender, the receiver and the file access share: logging, the abort check,
// timed reads and writes, and the end of a transfer.

#include <cstdint>
#include <span>

#include "xfer/transfer.h"

namespace xfer {

inline constexpr int32_t kBufferSize = 1024;
inline constexpr int32_t kLogLineSize = 84;  // 83 characters and the terminator

// Formats into one log line (cut to fit) for the log callback, if there is one.
void LogLine(TransferContext& ctx, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Sets a step's failure code; a stop by the user or a lost carrier is never written over, so the
// caller always learns why the transfer really ended.
void FailStep(TransferContext& ctx, TransferResult code);

// True when the transfer must stop now (stopped by the progress callback, or carrier lost).
bool CheckAbort(TransferContext& ctx);

// The next received byte, or PORT_RX_EMPTY when ms passed (-1: no limit), or IdleHook's negative
// answer, which is also left in the port's status.
int32_t ReadCharTimed(CSerialPort* port, int32_t ms);

// Retry a refused write until a deadline, keeping the windows alive; 0, or negative with result
// set.
int32_t WriteChar(TransferContext& ctx, uint8_t byte);
int32_t WriteBuffer(TransferContext& ctx, std::span<const uint8_t> data);

// Transfer start: counters, buffer, port status, first abort check. False when the call must end.
bool BeginTransfer(TransferContext& ctx);

// Closes the file, cancels a failed transfer (20 cancel bytes, 1 s pause, input drained) and
// frees. Safe to run more than once; each run on a failed context cancels again.
void EndTransfer(TransferContext& ctx);

// Writes the transfer buffer to "data.log" in the current directory; skipped if it can't be made.
void DumpDataLog(std::span<const uint8_t> buffer);

}  // namespace xfer
