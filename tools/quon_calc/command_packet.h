#pragma once
// The calculator's command packet: letter, 16-bit parameter size high byte first, the
// parameter (a file name), and the 8-bit sum of the parameter bytes.

#include <cstdint>
#include <string_view>
#include <vector>

namespace calc {

inline constexpr uint8_t kGetLetter = 'G';
inline constexpr uint8_t kPutLetter = 'P';

// breakChecksum sends a sum that is off by one, which a server must drop without an answer.
// The name must be shorter than 65536 bytes.
std::vector<uint8_t> BuildCommandPacket(uint8_t letter, std::string_view name, bool breakChecksum);

}  // namespace calc
