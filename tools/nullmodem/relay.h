#pragma once
// The relay loop between the two pseudo-terminal masters: waits in ppoll (never spins), moves
// bytes both ways, and returns when a stop signal arrives.

#include <signal.h>

#include <array>
#include <string>

#include "tools/nullmodem/direction.h"

namespace nullmodem {

class Relay {
 public:
  Relay(Direction aToB, Direction bToA) : directions_{std::move(aToB), std::move(bToA)} {}

  // Runs until *stop becomes non-zero. waitMask is the signal mask during the wait, which must
  // let the stop signals in; outside the wait they are blocked. False with error on a failure.
  bool Run(const volatile sig_atomic_t& stop, const sigset_t& waitMask, std::string& error);
  // Gives the far sides a last short chance to take what is still buffered.
  void Drain();

  const std::array<Direction, 2>& Directions() const { return directions_; }

 private:
  std::array<Direction, 2> directions_;
};

}  // namespace nullmodem
