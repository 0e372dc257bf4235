#include "tools/quon_calc/block_checks.h"

namespace calc {

uint8_t Checksum8(std::span<const uint8_t> data) {
  unsigned sum = 0;
  for (uint8_t b : data) sum += b;
  return static_cast<uint8_t>(sum);
}

uint16_t CrcXmodem(std::span<const uint8_t> data) {
  uint16_t crc = 0;
  for (uint8_t b : data) {
    crc ^= static_cast<uint16_t>(b << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                           : static_cast<uint16_t>(crc << 1);
    }
  }
  return crc;
}

uint16_t CrcZk(std::span<const uint8_t> data) {
  uint16_t crc = 0;
  for (uint8_t b : data) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) {
      crc =
          (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0x8408) : static_cast<uint16_t>(crc >> 1);
    }
  }
  return crc;
}

}  // namespace calc
