#pragma once
// Paces one direction of the line at a baud rate: 8N1 carries baud / 10 bytes a second. The
// relay reads from a side only as fast as this allows, so a fast writer's output backs up.

#include <chrono>
#include <cstddef>

namespace nullmodem {

class LinePacer {
 public:
  using Clock = std::chrono::steady_clock;

  // baud 0 means unpaced.
  explicit LinePacer(long baud, Clock::time_point now = Clock::now());

  bool Paced() const { return bytesPerSecond_ > 0; }
  // How many bytes the line could carry now; unlimited (SIZE_MAX) when unpaced.
  size_t Allowance(Clock::time_point now);
  void Consume(size_t bytes);
  // Whether a few milliseconds' worth of bytes may go, so that a backed-up writer is served in
  // small batches rather than with a wake-up per byte.
  bool Ready(Clock::time_point now);
  // Milliseconds until Ready, rounded up; 0 when ready now.
  int MsUntilReady(Clock::time_point now);

 private:
  void Refill(Clock::time_point now);

  double bytesPerSecond_;
  // A little slack so that a ready line is not starved by the poll's granularity.
  double burst_;
  double quantum_;
  double credit_;
  Clock::time_point last_;
};

}  // namespace nullmodem
