#include "xfer/block_checks.h"

#include <array>

namespace xfer {
namespace {

constexpr std::array<uint16_t, 256> MakeXmodemTable() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
    table[i] = static_cast<uint16_t>(crc);
  }
  return table;
}

constexpr std::array<uint16_t, 256> kXmodemTable = MakeXmodemTable();
static_assert(kXmodemTable[1] == 0x1021 && kXmodemTable[2] == 0x2042 &&
              kXmodemTable[255] == 0x1EF0);

// One nibble of the reflected 0x1021 CRC; 0x1081 spreads the nibble's feedback over the register.
constexpr uint16_t ZkNibble(uint16_t crc, unsigned nibble) {
  return static_cast<uint16_t>((crc >> 4) ^ (((crc ^ nibble) & 0x0F) * 0x1081));
}

}  // namespace

uint8_t Checksum8(std::span<const uint8_t> data) {
  uint8_t sum = 0;
  for (uint8_t b : data) sum = static_cast<uint8_t>(sum + b);
  return sum;
}

uint16_t Crc16Xmodem(std::span<const uint8_t> data, uint16_t initial) {
  uint16_t crc = initial;
  for (uint8_t b : data) crc = static_cast<uint16_t>(kXmodemTable[(crc >> 8) ^ b] ^ (crc << 8));
  return crc;
}

uint16_t Crc16Zk(std::span<const uint8_t> data) {
  uint16_t crc = 0;
  for (uint8_t b : data) crc = ZkNibble(ZkNibble(crc, b), b >> 4);
  return crc;
}

}  // namespace xfer
