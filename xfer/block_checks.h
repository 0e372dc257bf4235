#pragma once
// The checks that end every XMODEM block, computed over the whole data field (fill included).

#include <cstdint>
#include <span>

namespace xfer {

// The low 8 bits of the sum of the bytes.
uint8_t Checksum8(std::span<const uint8_t> data);
// CRC-16/XMODEM (polynomial 0x1021, not reflected); sent high byte first.
uint16_t Crc16Xmodem(std::span<const uint8_t> data, uint16_t initial = 0);
// The calculator's "ZK" CRC: CRC-16/KERMIT arithmetic from 0, yet sent high byte first.
uint16_t Crc16Zk(std::span<const uint8_t> data);

}  // namespace xfer
