#pragma once
// The rates termios names: POSIX to 38400, every system we build for those above, to 230400.
// Other rates need a system's own way (termios2 on Linux).

#include <termios.h>

#include <array>
#include <cstdint>
#include <utility>

namespace host {

inline constexpr std::array<std::pair<uint32_t, speed_t>, 11> kTermiosSpeeds{{
    {300, B300},
    {600, B600},
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
}};

// B0 for a rate termios has no constant for.
constexpr speed_t TermiosSpeed(uint32_t baud) {
  for (const auto& [rate, constant] : kTermiosSpeeds) {
    if (rate == baud) return constant;
  }
  return B0;
}

// 0 for a constant that names none of the rates.
constexpr uint32_t TermiosRate(speed_t speed) {
  for (const auto& [rate, constant] : kTermiosSpeeds) {
    if (constant == speed) return rate;
  }
  return 0;
}

}  // namespace host
