#pragma once
// The control characters of the line protocol, for the engine and its simulated peers alike.

#include <cstdint>

namespace xfer {

inline constexpr uint8_t SOH = 0x01, STX = 0x02, EOT = 0x04, ACK = 0x06, BS = 0x08, NAK = 0x15,
                         CAN = 0x18;

// Errors in a row (time-outs, NAKs, bad blocks) after which either side gives up.
inline constexpr int32_t kMaxErrors = 10;

}  // namespace xfer
