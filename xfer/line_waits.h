#pragma once
// Waits on the line in one-second slices, with an abort check after every empty slice.

#include <cstdint>

#include "xfer/control_bytes.h"
#include "xfer/transfer.h"

namespace xfer {

inline constexpr int32_t kWaitTimedOut = -1;
inline constexpr int32_t kWaitStopped = -2;

// The first character within ms, or kWaitTimedOut, or kWaitStopped when the abort check said stop.
int32_t WaitForChar(TransferContext& ctx, int32_t ms);

// Throws characters away until the line has been quiet for a second (or a stream of noise has
// gone on for 10 s). False when the abort check said stop.
bool DiscardUntilQuiet(TransferContext& ctx);

}  // namespace xfer
