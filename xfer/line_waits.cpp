#include "xfer/line_waits.h"

#include "host/clock.h"
#include "xfer/engine.h"

namespace xfer {
namespace {

constexpr int32_t kSliceMs = 1000;
// A line that never falls quiet (a peer at another speed, a babbling device) must not hold the
// transfer forever; the attempt fails instead and the error limits end it.
constexpr uint32_t kMaxNoiseMs = 10000;

}  // namespace

int32_t WaitForChar(TransferContext& ctx, int32_t ms) {
  for (int32_t remaining = ms;; remaining -= kSliceMs) {
    const int32_t c = ReadCharTimed(ctx.port, kSliceMs);
    if (c >= 0) return c;
    if (CheckAbort(ctx)) return kWaitStopped;
    if (remaining <= kSliceMs) return kWaitTimedOut;
  }
}

bool DiscardUntilQuiet(TransferContext& ctx) {
  const uint32_t start = host::TickCount();
  while (ReadCharTimed(ctx.port, kSliceMs) >= 0) {
    if (CheckAbort(ctx)) return false;
    if (host::TicksSince(start) >= kMaxNoiseMs) break;
  }
  return true;
}

}  // namespace xfer
