#pragma once
// Compares a received file with the original. XMODEM moves whole blocks, so what arrives is the
// original followed by the sender's fill bytes up to the end of the last block, and no more.

#include <cstdint>
#include <span>
#include <string>

namespace calc {

// Empty when received is original plus fewer than lastBlockSize bytes of fill; otherwise the
// first difference, precisely.
std::string CompareWithFill(std::span<const uint8_t> received, std::span<const uint8_t> original,
                            uint8_t fill, size_t lastBlockSize);

}  // namespace calc
