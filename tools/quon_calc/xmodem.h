#pragma once
// Control characters and timings of XMODEM as the calculator uses them.

#include <cstdint>

namespace calc {

inline constexpr uint8_t SOH = 0x01;
inline constexpr uint8_t STX = 0x02;
inline constexpr uint8_t EOT = 0x04;
inline constexpr uint8_t ACK = 0x06;
inline constexpr uint8_t NAK = 0x15;
inline constexpr uint8_t CAN = 0x18;

// The receiver's start character, which also chooses the block check.
enum class StartChar : uint8_t { Checksum = NAK, Crc = 'C', ZkCrc = 'D' };

// Most bytes of a block follow each other at once; a gap this long means the block is broken.
inline constexpr int kByteGapMs = 1000;
// How long either side waits for the other's next step (a reply, the next block).
inline constexpr int kReplyWaitMs = 10000;
// Gives up after this many failures in a row on one block.
inline constexpr int kMaxErrors = 10;
// Silence that ends the purge after a broken block, and the purge's own limit.
inline constexpr int kPurgeQuietMs = 1000;
inline constexpr int kPurgeMaxMs = 10000;
// Cancels a transfer; more than the two that a peer needs, in case one is lost.
inline constexpr int kCancelCount = 5;

}  // namespace calc
