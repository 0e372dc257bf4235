#pragma once
// Bit-at-a-time block checks for the simulated peers, written from the textbook definitions so
// that the peers do not share the engine's table or nibble arithmetic.

#include <cstdint>
#include <span>
#include <vector>

namespace xfer_test {

enum class PeerCheck { kChecksum, kCrc, kZkCrc };

inline uint8_t ReferenceChecksum(std::span<const uint8_t> data) {
  unsigned sum = 0;
  for (uint8_t b : data) sum += b;
  return static_cast<uint8_t>(sum & 0xFF);
}

inline uint16_t ReferenceXmodem(std::span<const uint8_t> data) {
  uint16_t crc = 0;
  for (uint8_t b : data) {
    crc ^= static_cast<uint16_t>(b << 8);
    for (int i = 0; i < 8; ++i)
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

inline uint16_t ReferenceKermit(std::span<const uint8_t> data) {
  uint16_t crc = 0;
  for (uint8_t b : data) {
    crc ^= b;
    for (int i = 0; i < 8; ++i)
      crc = static_cast<uint16_t>((crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1);
  }
  return crc;
}

// The check bytes as they go on the wire: one byte, or the 16-bit value high byte first.
inline std::vector<uint8_t> CheckBytes(PeerCheck check, std::span<const uint8_t> data) {
  if (check == PeerCheck::kChecksum) return {ReferenceChecksum(data)};
  const uint16_t v = check == PeerCheck::kCrc ? ReferenceXmodem(data) : ReferenceKermit(data);
  return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v & 0xFF)};
}

inline size_t CheckLength(PeerCheck check) { return check == PeerCheck::kChecksum ? 1 : 2; }

}  // namespace xfer_test
