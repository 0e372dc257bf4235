#pragma once
// The three XMODEM block checks as the calculator computes them. Written bit by bit, apart from
// any table-driven or nibble-wise version elsewhere, so that the two can catch each other out.

#include <cstdint>
#include <span>

namespace calc {

// Sum of the bytes modulo 256.
uint8_t Checksum8(std::span<const uint8_t> data);
// CRC-16/XMODEM: polynomial 0x1021, most significant bit first, initial 0, no final xor.
uint16_t CrcXmodem(std::span<const uint8_t> data);
// The calculator's own CRC: polynomial 0x1021 reflected (0x8408), least significant bit first,
// initial 0, no final xor. On the wire high byte first, unlike most reflected CRCs.
uint16_t CrcZk(std::span<const uint8_t> data);

}  // namespace calc
